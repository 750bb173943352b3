#pragma once

#include "catalogs/catalog_list_window.h"
#include "ui_workers_window.h"

// The workers list: browsing with add, change and delete, or picking a worker for the
// entry editor.
class TForm5 : public CatalogListWindow, public Ui::TForm5 {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Opened by the entry editor: the chosen worker goes into its name box and FWorkerId.
    void ShowSelect();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    // True when the key is taken by the search.
    bool Edit1KeyDown(QKeyEvent* e) override;
};

extern TForm5* Form5;
