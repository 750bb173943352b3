#pragma once

#include "catalogs/catalog_list_window.h"
#include "ui_operations_window.h"

#include <QString>

#include <optional>

class Dataset;

// An operation picked from the list, priced for the shift and day it was picked for.
struct OperationChoice {
    int productId = 0;
    int operationId = 0;
    QString description;   // "mark; type; kind"
    double price = 0.0;
};

// The operations price list: every operation with its lowest norm price and its number of
// norms. Browse mode (Tag 0) edits the list; selection mode (Tag 1) picks an operation for
// whoever opened it.
class TForm4 : public CatalogListWindow, public Ui::TForm4 {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // Opened to pick, with Oper open and on the row to start from: the operation chosen, its
    // price raised for `shift` and a day off, or nothing when the list was closed without a choice.
    std::optional<OperationChoice> ShowSelect(int shift, bool dayOff);

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

    int m_shift = 0;
    bool m_dayOff = false;
    std::optional<OperationChoice> m_choice;
};

extern TForm4* Form4;
