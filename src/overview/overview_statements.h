#pragma once

#include <QDate>
#include <QString>

class Dataset;

// What the overview shows: one month day by day, or a whole year month by month.
struct OverviewPeriod {
    int year = 0;
    int month = 0;   // 0: the whole year

    bool wholeYear() const { return month == 0; }
    QDate from() const { return QDate(year, wholeYear() ? 1 : month, 1); }
    // The first day after the period.
    QDate to() const { return wholeYear() ? from().addYears(1) : from().addMonths(1); }
    // The bars of the hours: the month's days, or the year's twelve months.
    int parts() const { return wholeYear() ? 12 : from().daysInMonth(); }
    bool contains(const QDate& day) const { return day >= from() && day < to(); }
    bool operator==(const OverviewPeriod& o) const { return year == o.year && month == o.month; }
};

// The statements of the overview, over the journal rows from :data1 on and before :data2 as
// the reports select them. `finishedOnly` keeps the entries of finished products alone (the
// warehouse's view), hours included.

// part (day of the month, or month of the year), smena, hours.
QString hoursStatement(const OverviewPeriod& period, bool finishedOnly);
// w_id, kind (0 finished products, 1 blanks, as the reports name them), fio, pieces net of
// defects, money (numeric, as text: exact to the last digit): the output per worker and per
// product group in one reading.
QString outputStatement(bool finishedOnly);
// month: the closed months of the period, with :yea, :first and :last.
QString closedMonthsStatement();

// Sets :data1 and :data2 of the journal's statements for the period.
void setPeriodParams(Dataset& set, const OverviewPeriod& period);
// Sets :yea, :first and :last of the closed months' statement.
void setClosedMonthsParams(Dataset& set, const OverviewPeriod& period);
