#include "hours/month_rebuild.h"

#include "core/data_module.h"
#include "toolkit/transaction.h"

#include <QDate>
#include <QMap>
#include <QStringList>
#include <QVector>

namespace {

const int RowsPerInsert = 500;

// The hours of one worker in one shift on each day of the month; -1 for a day without entries.
using MonthRow = QVector<int>;
using MonthRows = QMap<QPair<int, int>, MonthRow>;   // (shift, worker) -> days 1 .. 31

QString monthDeleteStatement(int month, int year)
{
    return QStringLiteral("delete from accounts_dep.h_tabel where month=%1 and year=%2").arg(month).arg(year);
}

QString rowsInsertStatement(const QStringList& values)
{
    QStringList days;
    for (int day = 1; day <= 31; ++day)
        days << QStringLiteral("d%1").arg(day);
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, %1) values ").arg(days.join(QLatin1String(", ")))
        + values.join(QLatin1String(", "));
}

QString rowValues(int shift, int worker, int month, int year, const MonthRow& row)
{
    QStringList cells{QString::number(shift), QString::number(worker), QString::number(month), QString::number(year)};
    for (int hours : row)
        cells << (hours < 0 ? QStringLiteral("DEFAULT") : QString::number(hours));
    return QLatin1Char('(') + cells.join(QLatin1String(", ")) + QLatin1Char(')');
}

void insertRows(int month, int year, const MonthRows& rows)
{
    QStringList values;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        values << rowValues(it.key().first, it.key().second, month, year, it.value());
        if (values.size() == RowsPerInsert) {
            DataModule6->H_Tabel_ins->execute(rowsInsertStatement(values));
            values.clear();
        }
    }
    if (!values.isEmpty())
        DataModule6->H_Tabel_ins->execute(rowsInsertStatement(values));
}

} // namespace

void rebuildMonth(int month, int year, const std::function<void(int day)>& dayDone)
{
    Transaction transaction(QLatin1String(TDataModule6::ConnectionName));
    // The server sums each day; the rows are gathered here so that each is written once, not
    // once a day (a row updated day after day in one transaction piles up its versions).
    Dataset dt(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("dt"));
    dt.setSql(QStringLiteral(" select smena, w_id, sum(time) as tim from accounts_dep.smena where data=:data group by smena,w_id;"));
    MonthRows rows;
    const int days = QDate(year, month, 1).daysInMonth();
    for (int day = 1; day <= days; ++day) {
        dt.setParam(QStringLiteral("data"), QDate(year, month, day));
        dt.open();
        for (dt.first(); !dt.eof(); dt.next()) {
            const QVariant shift = dt.value(QStringLiteral("smena"));
            const QVariant worker = dt.value(QStringLiteral("w_id"));
            if (shift.isNull() || worker.isNull())
                continue;   // an entry without a worker or a shift has no row to go to
            MonthRow& row = rows[qMakePair(shift.toInt(), worker.toInt())];
            if (row.isEmpty())
                row.fill(-1, 31);
            row[day - 1] = dt.value(QStringLiteral("tim")).toInt();
        }
        dt.close();
        if (dayDone)
            dayDone(day);
    }
    DataModule6->DelSmena->execute(monthDeleteStatement(month, year));
    insertRows(month, year, rows);
    transaction.commit();
}
