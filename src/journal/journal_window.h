#pragma once

#include "ui_journal_window.h"

#include <QDialog>
#include <QTimer>

class Command;
class Dataset;

// The journal: entries of one day and one shift, the hub from which every other window opens.
class TForm1 : public QDialog, public Ui::TForm1 {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // Compares this build with the stamp in the database; ends the program when it is older.
    void CheckVersion();

    int FShift = 1;
    Dataset* FShiftDataset = nullptr;
    QString FSignInCode;
    qint32 FBuildDate = 0;
    qint32 FBuildTime = 0;

    QTimer* Timer1;
    Dataset* ver;

private:
    Command* verWrite;
};

extern TForm1* Form1;
