#pragma once

#include "catalogs/catalog_list_window.h"
#include "ui_products_window.h"

class Dataset;

// The products list: browsing with add, change and delete (with the product's prices and
// journal entries, after questions), or picking a product for the operation editor.
class TForm3 : public CatalogListWindow, public Ui::TForm3 {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Opened by the operation editor: the chosen product goes into its mark box and FChosenProductId.
    void ShowSelect();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    // True when the key is taken by the search.
    bool Edit1KeyDown(QKeyEvent* e) override;

    // Journal entries of a product from a date on; operations of a product.
    Dataset* Izdel_Smena;
    Dataset* ii_oper;
};

extern TForm3* Form3;
