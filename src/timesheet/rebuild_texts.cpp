#include "timesheet/rebuild_texts.h"

#include "timesheet/month_names.h"

QString rebuildWaitingText()
{
    return QStringLiteral("Ждём, пока другие пользователи закончат запись…");
}

QString rebuildDoneText(int month, int year, const QTime& at)
{
    return QStringLiteral("Табель за %1 перестроен в %2").arg(monthHeading(month, year), at.toString(QStringLiteral("HH:mm:ss")));
}

QString closedMonthText()
{
    return QStringLiteral("Месяц закрыт: перестроение недоступно");
}
