#include "timesheet/day_colours.h"

#include <QDate>

namespace {
const QColor Red(255, 0, 0);
const QColor Silver(192, 192, 192);
const QColor LightGreen(192, 220, 192);
const int FullDay = 8;
}

int firstWeekday(int month, int year)
{
    return QDate(year, month, 1).dayOfWeek() % 7 + 1;   // Qt counts Monday 1 .. Sunday 7
}

DayKind dayKind(int day, int month, int year, const QVector<bool>& daysOff)
{
    const DayKind byWeek = dayKind(day, month, year);
    if (byWeek == DayKind::Missing || daysOff.size() < day)
        return byWeek;
    return daysOff.at(day - 1) ? DayKind::Weekend : DayKind::Workday;
}

DayKind dayKind(int day, int month, int year)
{
    if (day > QDate(year, month, 1).daysInMonth())
        return DayKind::Missing;
    const int rest = (firstWeekday(month, year) + day) % 7;
    return rest == 1 || rest == 2 ? DayKind::Weekend : DayKind::Workday;
}

QColor dayTitleColor(DayKind kind)
{
    switch (kind) {
    case DayKind::Weekend: return Red;
    case DayKind::Missing: return Silver;
    default: return {};
    }
}

DayCellLook dayCellLook(DayKind kind, int hours)
{
    DayCellLook look;
    if (kind == DayKind::Missing) {
        look.hidden = true;
        return look;
    }
    const bool weekend = kind == DayKind::Weekend;
    if (weekend)
        look.text = Red;
    if (hours == 0 && !weekend)
        look.text = Silver;
    look.bold = hours >= FullDay;
    if (hours > FullDay)
        look.fill = LightGreen;
    return look;
}

QColor totalFill()
{
    return QColor(225, 228, 255);
}
