#pragma once

#include "ui_workers_window.h"

#include <QDialog>

class QKeyEvent;

// The workers list: browsing with add, change and delete, or picking a worker for the
// entry editor.
class TForm5 : public QDialog, public Ui::TForm5 {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Opened from the menu: add, change and delete.
    void ShowBrowse();
    // Opened by the entry editor: the chosen worker goes into its name box and FWorkerId.
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

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

extern TForm5* Form5;
