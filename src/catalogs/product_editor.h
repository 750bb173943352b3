#pragma once

#include "ui_product_editor.h"

#include <QDialog>

class Dataset;

// Adds a product or changes the current one of the products list: its mark, its number
// ("Коробки") and its class.
class TForm7 : public QDialog, public Ui::TForm7 {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    void Button1Click();
    void FormActivate();

    // 1 adds a product, 2 changes the current row of Izdel.
    int Tag = 0;

    // Product classes (classifier items of level 2), opened by the list around each editing.
    Dataset* item;

protected:
    bool event(QEvent* e) override;
};

extern TForm7* Form7;
