#pragma once

#include "toolkit/report/report_document.h"
#include "toolkit/report/report_layout.h"
#include "toolkit/report/report_rows.h"

#include <memory>

// Lays rows out into pages as they arrive: each row is placed when it is added and then
// forgotten, all but the previous one (a group footer prints under its group's last row).
// Pages before the one under way are finished and do not change any more. Touches no printer
// and no window.
class ReportBuilder {
public:
    ReportBuilder(const ReportLayout& layout, const QStringList& columns);
    ~ReportBuilder();

    void addRow(const QVector<QVariant>& row);
    // After the last row: the closing footers and the last page footer.
    void finish();
    bool isFinished() const;
    int rowsLaidOut() const;
    // Pages no later row can change: all but the one under way, every page once finished.
    int pagesReady() const;

    const ReportDocument& document() const;
    ReportDocument takeDocument();

private:
    class Layouter;
    std::unique_ptr<Layouter> d;
};

// All rows at once into finished pages.
ReportDocument layoutReport(const ReportLayout& layout, const ReportRowSource& rows);
ReportDocument layoutReport(const ReportLayout& layout, ReportRowReader& rows);

// A value as an item prints it: by the mask when one is given (a text that is no number
// counts as 0), otherwise as the database gave it, numbers with a decimal comma.
QString reportValueText(const QVariant& value, const QString& mask);
