#include "timesheet/month_rebuild.h"

#include "core/data_module.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QDate>

namespace {

QString monthDeleteStatement(int month, int year)
{
    return QStringLiteral("delete from accounts_dep.h_tabel where month=%1 and year=%2").arg(month).arg(year);
}

// The hours of one day per shift and worker.
QString daySums(const QDate& date)
{
    return QStringLiteral("(select smena, w_id, coalesce(sum(time), 0) as tim from accounts_dep.smena where data=%1 "
                          "group by smena, w_id) dt")
        .arg(sqlDate(date));
}

QString sameGridRow(const QString& table, const QDate& date)
{
    return QStringLiteral("%1.w_id=dt.w_id and %1.smena=dt.smena and %1.month=%2 and %1.year=%3")
        .arg(table)
        .arg(date.month())
        .arg(date.year());
}

// The day's cell of the rows the month already has.
QString dayCellsUpdateStatement(const QDate& date)
{
    return QStringLiteral("update accounts_dep.h_tabel set d%1=dt.tim from %2 where %3")
        .arg(date.day())
        .arg(daySums(date), sameGridRow(QStringLiteral("h_tabel"), date));
}

// Rows for the shifts and workers whose first day of the month this is.
QString dayRowsInsertStatement(const QDate& date)
{
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d%1) select dt.smena, dt.w_id, %2, %3, dt.tim "
                          "from %4 where not exists (select 1 from accounts_dep.h_tabel h where %5)")
        .arg(date.day())
        .arg(date.month())
        .arg(date.year())
        .arg(daySums(date), sameGridRow(QStringLiteral("h"), date));
}

} // namespace

void rebuildMonth(int month, int year, const std::function<void(int day)>& dayDone)
{
    Transaction transaction(QLatin1String(TDataModule6::ConnectionName));
    DataModule6->DelSmena->execute(monthDeleteStatement(month, year));
    const int days = QDate(year, month, 1).daysInMonth();
    for (int day = 1; day <= days; ++day) {
        const QDate date(year, month, day);
        DataModule6->H_Tabel_ins->execute(dayCellsUpdateStatement(date));
        DataModule6->H_Tabel_ins->execute(dayRowsInsertStatement(date));
        if (dayDone)
            dayDone(day);
    }
    transaction.commit();
}
