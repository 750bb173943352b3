#pragma once

#include "catalogs/catalog_list_window.h"
#include "ui_operations_window.h"

class Dataset;

// The operations price list: every operation with its lowest norm price and its number of
// norms. Browse mode (Tag 0) edits the list; selection mode (Tag 1) picks an operation for
// the journal entry editor.
class TForm4 : public CatalogListWindow, public Ui::TForm4 {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // From the entry editor, with Oper open and on the row to start from.
    void ShowSelect();

    Dataset* XLS_Rep;

private:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void Edit1Change() override;
    bool Edit1KeyDown(QKeyEvent* e) override;
    void DBGrid1DblClick();

    void ChangeOperation();
    void PickOperation();
};

extern TForm4* Form4;
