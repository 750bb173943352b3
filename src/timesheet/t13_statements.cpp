#include "timesheet/t13_statements.h"

#include "toolkit/sql_text.h"

#include <QStringList>

namespace {

QString monthStart(int month, int year)
{
    return QStringLiteral("make_date(%1, %2, 1)").arg(year).arg(month);
}

QString inMonth(const QString& column, int month, int year)
{
    return QStringLiteral("%1 >= %2 and %1 < %2 + interval '1 month'").arg(column, monthStart(month, year));
}

QString dayColumns(const QString& pattern)
{
    QStringList columns;
    for (int day = 1; day <= 31; ++day)
        columns << pattern.arg(day);
    return columns.join(QStringLiteral(", "));
}

} // namespace

namespace {
const char* const RequisitesColumns = "select name, okpo, unit, responsible_pos, responsible_name, head_pos, head_name, "
                                      "personnel_pos, personnel_name, night_shift3, pay_code, pay_account from ";
}

QString requisitesStatement()
{
    return QLatin1String(RequisitesColumns) + QLatin1String("accounts_dep.organisation");
}

QString monthRequisitesStatement(int month, int year)
{
    return QLatin1String(RequisitesColumns) + QStringLiteral("accounts_dep.requisites(%1, %2)").arg(month).arg(year);
}

QString absenceCodesStatement()
{
    return QStringLiteral("select code, name, with_work from accounts_dep.absence_code order by num, code");
}

QString calendarStatement(int month, int year)
{
    return QStringLiteral("select extract(day from day)::integer as day, kind from accounts_dep.work_calendar where ")
        + inMonth(QStringLiteral("day"), month, year);
}

QString monthHoursStatement(int month, int year)
{
    return QStringLiteral("select w_id, smena, ") + dayColumns(QStringLiteral("d%1"))
        + QStringLiteral(" from accounts_dep.h_tabel where month=%1 and year=%2").arg(month).arg(year);
}

QString monthMarksStatement(int month, int year)
{
    return QStringLiteral("select w_id, extract(day from day)::integer as day, code from accounts_dep.absence where ")
        + inMonth(QStringLiteral("day"), month, year);
}

QString t13WorkersStatement(int month, int year)
{
    return QStringLiteral(
               "select w.w_id, coalesce(c.s_caption, p.fio, '') as fio, coalesce(p.s_staffpos_hl, '') as position "
               "from (select w_id from accounts_dep.h_tabel where month=%1 and year=%2 and (%3) <> 0 "
               "union select w_id from accounts_dep.absence where %4) w "
               "left join accounts_dep.person p on p.id = w.w_id "
               "left join lateral (select s_caption from cmn_contractor.person cp "
               "where cp.s_code = w.w_id::text order by cp.id limit 1) c on true "
               "order by fio, w.w_id")
        .arg(month)
        .arg(year)
        .arg(dayColumns(QStringLiteral("abs(d%1)")).replace(QStringLiteral(", "), QStringLiteral("+")),
             inMonth(QStringLiteral("day"), month, year));
}

QString marksGridStatement()
{
    QStringList days;
    for (int day = 1; day <= 31; ++day)
        days << QStringLiteral("coalesce(a.d%1, nullif(h.d%1, 0)::text) as d%1").arg(day);
    QStringList hours, marks;
    for (int day = 1; day <= 31; ++day) {
        hours << QStringLiteral("sum(d%1) as d%1").arg(day);
        marks << QStringLiteral("max(code) filter (where extract(day from day) = %1) as d%1").arg(day);
    }
    const QString month = QStringLiteral("make_date(:yea, :mnth, 1)");
    return QStringLiteral("select p.id as w_id, p.fio, ") + days.join(QStringLiteral(", "))
        + QStringLiteral(" from accounts_dep.person p left join (select w_id, ") + hours.join(QStringLiteral(", "))
        + QStringLiteral(" from accounts_dep.h_tabel where month=:mnth and year=:yea group by w_id) h on h.w_id = p.id "
                         "left join (select w_id, ")
        + marks.join(QStringLiteral(", "))
        + QStringLiteral(" from accounts_dep.absence where day >= %1 and day < %1 + interval '1 month' group by w_id) a "
                         "on a.w_id = p.id order by p.fio, p.id")
              .arg(month);
}

QString setMarksStatement(const QList<DayCell>& cells, const QString& code)
{
    QStringList keys;
    for (const DayCell& cell : cells)
        keys << QStringLiteral("(%1, %2)").arg(cell.worker).arg(sqlDate(cell.day));
    if (code.isEmpty())
        return QStringLiteral("delete from accounts_dep.absence where (w_id, day) in (") + keys.join(QStringLiteral(", "))
            + QStringLiteral(")");
    QStringList rows;
    for (const DayCell& cell : cells)
        rows << QStringLiteral("(%1, %2, %3)").arg(cell.worker).arg(sqlDate(cell.day), sqlQuote(code));
    return QStringLiteral("insert into accounts_dep.absence (w_id, day, code) values ") + rows.join(QStringLiteral(", "))
        + QStringLiteral(" on conflict (w_id, day) do update set code = excluded.code");
}
