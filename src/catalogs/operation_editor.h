#pragma once

#include "ui_operation_editor.h"

#include <QDialog>

// Adds an operation (a product, an operation type and a kind) or changes the current one.
// Tag 1 adds; any other value changes the current row of Oper.
class TForm10 : public QDialog, public Ui::TForm10 {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);

    int Tag = 0;
    // Set by the pickers and by the list before a change; not reset before an add.
    qint32 FChosenProductId = 0;
    qint32 FChosenTypeId = 0;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    void Button3Click();   // product picker
    void Button4Click();   // operation type picker
};

extern TForm10* Form10;
