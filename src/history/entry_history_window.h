#pragma once

#include "ui_entry_history_window.h"

#include <QDialog>

class Dataset;

// "История позиции": every change of one journal entry, newest first, deleted entries too.
class TForm24 : public QDialog, public Ui::TForm24 {
    Q_OBJECT
public:
    explicit TForm24(QWidget* parent = nullptr);

    // Shows the changes of the entry modally; the list is closed afterwards.
    void ShowEntry(int entryId);
    void Button4Click();

    Dataset* History;
};

extern TForm24* Form24;
