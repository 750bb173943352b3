#include "timesheet/month_names.h"

#include <QStringList>

QString monthName(int month)
{
    static const QStringList names{
        QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"), QStringLiteral("Май"),     QStringLiteral("Июнь"),
        QStringLiteral("Июль"),   QStringLiteral("Август"),  QStringLiteral("Сентябрь"),
        QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"), QStringLiteral("Декабрь")};
    return names.value(month - 1);
}

QString monthHeading(int month, int year)
{
    return monthName(month) + QLatin1Char(' ') + QString::number(year);
}
