#pragma once

#include "ui_products_window.h"

#include <QDialog>

class Dataset;
class QKeyEvent;

// The products list: browsing with add, change and delete (with the product's prices and
// journal entries, after questions), or picking a product for the operation editor.
class TForm3 : public QDialog, public Ui::TForm3 {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Opened from the menu: add, change and delete.
    void ShowBrowse();
    // Opened by the operation editor: the chosen product goes into its mark box and FChosenProductId.
    void ShowSelect();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Edit1Change();
    // True when the key is taken by the search.
    bool Edit1KeyDown(QKeyEvent* e);
    void FormActivate();

    // 0 browse, anything else selection.
    int Tag = 0;

    // Journal entries of a product from a date on; operations of a product.
    Dataset* Izdel_Smena;
    Dataset* ii_oper;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

extern TForm3* Form3;
