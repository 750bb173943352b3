#pragma once

#include "ui_entry_editor.h"

#include <QDialog>

class Command;

// Adds a journal entry or changes the selected one.
class TForm11 : public QDialog, public Ui::TForm11 {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);

    // Filled by the pickers and by change mode; kept between openings.
    qint32 FWorkerId = 0;
    qint32 FOperationId = 0;
    qint32 FProductId = 0;
    double FPrice = 0.0;

    Command* SmenaIU;
};

extern TForm11* Form11;
