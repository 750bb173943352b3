#include "timesheet/month_choice.h"

#include <algorithm>

QStringList timesheetYears(int currentYear, int wanted)
{
    QStringList years;
    const int last = std::max(currentYear + 1, wanted);
    for (int year = std::min(2007, wanted); year <= last; ++year)
        years << QString::number(year);
    return years;
}
