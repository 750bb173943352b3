#pragma once

#include "catalogs/catalog_list_window.h"
#include "ui_operation_types_window.h"

// The operation types list: browsing with add, rename and delete, or picking a type for the
// operation editor.
class TForm8 : public CatalogListWindow, public Ui::TForm8 {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // Opened by the operation editor: the chosen type goes into its operation box and FChosenTypeId.
    void ShowSelect();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    // True when the key is taken by the search.
    bool Edit1KeyDown(QKeyEvent* e) override;
};

extern TForm8* Form8;
