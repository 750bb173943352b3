#pragma once

#include "ui_reports_window.h"

#include <QDialog>

class Dataset;

// "Отчеты": a period and a product kind, and the printed reports and the spreadsheet of the
// output in that period. The opener presets the period; the product kind stays as last chosen.
class TForm18 : public QDialog, public Ui::TForm18 {
    Q_OBJECT
public:
    explicit TForm18(QWidget* parent = nullptr);

    void Button6Click();   // the report spreadsheet

    Dataset* XLS_Rep;
};

extern TForm18* Form18;
