#include "history/month_closing.h"

#include "core/data_module.h"
#include "history/history_statements.h"

bool monthClosed(const QDate& date)
{
    if (!date.isValid())
        return false;
    Dataset check(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ClosedMonth"));
    check.setSql(monthClosedStatement(date));
    check.open();
    return check.value(QStringLiteral("cnt")).toInt() > 0;
}

void closeMonth(int month, int year)
{
    DataModule6->SQL_exec->execute(closeMonthStatement(month, year));
}

void reopenMonth(int month, int year)
{
    DataModule6->SQL_exec->execute(reopenMonthStatement(month, year));
}

QString monthInSentence(const QString& heading)
{
    return heading.left(1).toLower() + heading.mid(1);
}
