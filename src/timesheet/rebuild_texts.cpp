#include "timesheet/rebuild_texts.h"

#include "history/month_closing.h"
#include "timesheet/month_names.h"

QString rebuildWaitingText()
{
    return QStringLiteral("Ждем, пока другие пользователи закончат запись…");
}

QString rebuildDoneText(int month, int year, const QTime& at)
{
    return QStringLiteral("Табель за %1 перестроен в %2").arg(monthInSentence(monthHeading(month, year)), at.toString(QStringLiteral("HH:mm:ss")));
}

QString closedMonthMarksText()
{
    return QStringLiteral("Месяц закрыт: отметки не меняются");
}

QString closedMonthText()
{
    return QStringLiteral("Месяц закрыт: перестроение недоступно");
}
