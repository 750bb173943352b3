#pragma once

#include "ui_operation_types_window.h"

#include <QDialog>

class QKeyEvent;

// The operation types list: browsing with add, rename and delete, or picking a type for the
// operation editor.
class TForm8 : public QDialog, public Ui::TForm8 {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // Opened from the menu: add, rename and delete.
    void ShowBrowse();
    // Opened by the operation editor: the chosen type goes into its operation box and FChosenTypeId.
    void ShowSelect();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Edit1Change();
    // True when the key is taken by the search.
    bool Edit1KeyDown(QKeyEvent* e);
    void FormActivate();

    // 0 browse, 1 selection.
    int Tag = 0;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

extern TForm8* Form8;
