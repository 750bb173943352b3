#pragma once

#include "ui_operations_window.h"

#include <QDialog>

class Dataset;

// The operations price list: every operation with its lowest norm price and its number of
// norms. Browse mode (Tag 0) edits the list; selection mode (Tag 1) picks an operation for
// the journal entry editor.
class TForm4 : public QDialog, public Ui::TForm4 {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // From the menu: the list to add, change and delete operations.
    void ShowBrowse();
    // From the entry editor, with Oper open and on the row to start from.
    void ShowSelect();

    int Tag = 0;
    Dataset* XLS_Rep;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void Edit1Change(const QString& text);
    void DBGrid1DblClick();

    void ChangeOperation();
    void PickOperation();
};

extern TForm4* Form4;
