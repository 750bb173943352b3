#pragma once

#include <QDate>

// The period the reports dialog proposes: the whole month before today's, from its first day
// up to (not including) the first day of today's month.
struct ReportPeriod {
    QDate from;
    QDate to;
};
ReportPeriod reportsDefaultPeriod(const QDate& today);
