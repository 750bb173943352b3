#pragma once

#include "catalogs/catalog_list_window.h"
#include "ui_workers_window.h"

#include <QString>

#include <optional>

// A worker picked from the list.
struct WorkerChoice {
    int id = 0;
    QString name;   // trimmed
};

// The workers list: browsing with add, change and delete, or picking a worker for whoever
// opened it.
class TForm5 : public CatalogListWindow, public Ui::TForm5 {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Opened to pick: the worker chosen, or nothing when the list was closed without a choice
    // or was empty.
    std::optional<WorkerChoice> ShowSelect();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    // True when the key is taken by the search.
    bool Edit1KeyDown(QKeyEvent* e) override;

private:
    std::optional<WorkerChoice> m_choice;
};

extern TForm5* Form5;
