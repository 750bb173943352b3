#pragma once

#include "ui_entry_editor.h"

#include <QDialog>

class Command;
struct EntryValues;

// Adds a journal entry or changes the selected one.
class TForm11 : public QDialog, public Ui::TForm11 {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);

    // Opened from the journal, which has set its FShiftDataset.
    void OpenAdd();
    void OpenChange();

    void Button1Click();      // "Запись"
    void Button3Click();      // worker chooser
    void Button4Click();      // operation chooser
    // Opens the operations list on its current row, priced for the journal's shift and day
    // off, and fills the operation's fields from what was picked.
    void pickOperation();
    void Recalculate();

    int Tag = 1;              // 1 adding, 2 changing
    // Filled by the pickers and by change mode; kept between openings.
    qint32 FWorkerId = 0;
    qint32 FOperationId = 0;
    qint32 FProductId = 0;
    double FPrice = 0.0;

    Command* SmenaIU;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyPaintCheck(bool paint);
    // Empty when every field is filled and every number fits its column.
    QString inputProblem() const;
    EntryValues entryValues() const;
    void clearEdits();
};

extern TForm11* Form11;
