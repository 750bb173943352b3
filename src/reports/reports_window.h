#pragma once

#include "ui_reports_window.h"

#include <QDialog>

class ProductionReport;

// "Отчеты": a period and a product kind, and the printed reports and the spreadsheet of the
// output in that period. The opener presets the period; the product kind stays as last chosen.
class TForm18 : public QDialog, public Ui::TForm18 {
    Q_OBJECT
public:
    explicit TForm18(QWidget* parent = nullptr);

    void Button4Click();   // "Отчет по рабочим"
    void Button2Click();   // "Отчет по продукции"
    void Button1Click();   // "Детальный отчет по рабочим"
    void Button3Click();   // "Детальный отчет по продукции"
    void Button6Click();   // the report spreadsheet

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Runs a printed report over the chosen period and kind; the dialog waits for its preview.
    void runReport(ProductionReport* report);
};

extern TForm18* Form18;
