#pragma once

#include "ui_operation_type_editor.h"

#include <QDialog>

// Adds an operation type or renames the current one of the operation types list.
class TForm9 : public QDialog, public Ui::TForm9 {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    void Button1Click();
    void FormActivate();

    // 1 adds a type, anything else renames the current row of Vid_oper.
    int Tag = 0;

protected:
    bool event(QEvent* e) override;
};

extern TForm9* Form9;
