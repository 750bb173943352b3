#pragma once

#include <QColor>
#include <QVector>

// How the day columns of the time sheet look in a month: weekend days in red, the days the
// month lacks blanked out, full days bold and longer days bold on light green.

enum class DayKind { Workday, Weekend, Missing };

// Weekday of the 1st of the month, 1 = Sunday to 7 = Saturday.
int firstWeekday(int month, int year);

// Day column k (1 to 31) of the month: Missing past the month's last day, Weekend when
// (w + k) mod 7 is 1 or 2 with w the weekday of the 1st, Workday otherwise.
DayKind dayKind(int day, int month, int year);

// The same by the production calendar's days off of the month (day 1 at index 0); by the week
// alone when the calendar is not given.
DayKind dayKind(int day, int month, int year, const QVector<bool>& daysOff);

// Colour of a day column's title; invalid for the header's own.
QColor dayTitleColor(DayKind kind);

struct DayCellLook {
    QColor text;           // invalid: the grid's text colour
    QColor fill;           // invalid: the grid's background
    bool bold = false;
    bool hidden = false;   // text in the background colour
};

// A day cell holding `hours` (an empty cell holds 0): nothing shows on a day the month lacks;
// 0 is silver (red on a weekend), 8 a full day in bold, more than 8 bold on light green.
DayCellLook dayCellLook(DayKind kind, int hours);

// Background of the month total column.
QColor totalFill();
