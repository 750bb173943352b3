#pragma once

#include "toolkit/report/report_document.h"
#include "toolkit/report/report_layout.h"
#include "toolkit/report/report_rows.h"

// Lays the rows out into finished pages. Touches no printer and no window.
ReportDocument layoutReport(const ReportLayout& layout, const ReportRowSource& rows);

// A value as an item prints it: by the mask when one is given (a text that is no number
// counts as 0), otherwise as the database gave it, numbers with a decimal comma.
QString reportValueText(const QVariant& value, const QString& mask);
