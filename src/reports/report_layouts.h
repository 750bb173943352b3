#pragma once

#include "reports/production_report.h"

// The four printed production reports, each with its own query.

// "Отчет по рабочим": workers, within them products, with the net quantity and the money.
class TForm16 : public ProductionReport {
    Q_OBJECT
public:
    explicit TForm16(QObject* parent = nullptr);
    Dataset* t_Report;

protected:
    ReportLayout layout(const QString& title) const override;
};

// "Отчет по продукции": products with the boxes and the net quantity.
class TForm17 : public ProductionReport {
    Q_OBJECT
public:
    explicit TForm17(QObject* parent = nullptr);
    Dataset* t_Report;

protected:
    ReportLayout layout(const QString& title) const override;
};

// "Детальный отчет по рабочим": workers with every mark, type, colour and kind, the defects,
// the gross quantity and the money.
class TForm20 : public ProductionReport {
    Q_OBJECT
public:
    explicit TForm20(QObject* parent = nullptr);
    Dataset* w_Report;

protected:
    ReportLayout layout(const QString& title) const override;
};

// "Детальный отчет по продукции": products with every mark, type, colour and kind, the
// defects, the boxes, the gross quantity and the money.
class TForm21 : public ProductionReport {
    Q_OBJECT
public:
    explicit TForm21(QObject* parent = nullptr);
    Dataset* i_Report;

protected:
    ReportLayout layout(const QString& title) const override;
};

extern TForm16* Form16;
extern TForm17* Form17;
extern TForm20* Form20;
extern TForm21* Form21;
