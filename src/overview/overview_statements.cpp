#include "overview/overview_statements.h"

#include "toolkit/dataset.h"

namespace {
QString journalRows(bool finishedOnly)
{
    return QStringLiteral(" from accounts_dep.smena s join accounts_dep.oper o on o.id = s.o_id")
        + (finishedOnly ? QStringLiteral(" and o.naimen = 0") : QString());
}

// Entries the reports count: those whose product and operation type are known.
QString reportedRows(bool finishedOnly)
{
    return journalRows(finishedOnly)
        + QStringLiteral(" join accounts_dep.izdel i on i.id = s.i_id join accounts_dep.vid_oper v on v.id = o.vid");
}

const char* const InPeriod = " where s.data >= :data1 and s.data < :data2";
}

QString hoursStatement(const OverviewPeriod& period, bool finishedOnly)
{
    // Hours are the time sheet's: every entry, whatever its product, unless the kind is chosen.
    const QString part = period.wholeYear() ? QStringLiteral("month") : QStringLiteral("day");
    return QStringLiteral("select extract(%1 from s.data)::integer as part, s.smena, sum(s.\"time\")::bigint as hours").arg(part)
        + (finishedOnly ? journalRows(true) : QStringLiteral(" from accounts_dep.smena s")) + QLatin1String(InPeriod)
        + QStringLiteral(" group by 1, 2 order by 1, 2");
}

QString outputStatement(bool finishedOnly)
{
    // One line per worker and product group, his name looked up with it as the journal finds it:
    // the ERP person of that id, else the one whose code is his number (a code that is not plain
    // digits names no one).
    return QStringLiteral("select t.w_id, t.kind, coalesce((select p.s_caption from cmn_contractor.person p where p.id = t.w_id),"
                          " (select min(p.s_caption) from cmn_contractor.person p where "
                          "case when p.s_code ~ '^ *[0-9]{1,15} *$' then p.s_code::t_id end = t.w_id), t.w_id::text) as fio,"
                          " t.pieces, t.money::text as money from (select s.w_id, case when o.naimen = 0 then 0 else 1 end as kind,"
                          " sum(s.kol_vo - s.brak)::bigint as pieces, sum((s.kol_vo - s.brak) * s.cena::numeric) as money")
        + reportedRows(finishedOnly) + QLatin1String(InPeriod) + QStringLiteral(" group by 1, 2) t");
}

QString closedMonthsStatement()
{
    return QStringLiteral("select month from accounts_dep.closed_month where year = :yea and month between :first and :last order by month");
}

void setPeriodParams(Dataset& set, const OverviewPeriod& period)
{
    set.setParam(QStringLiteral("data1"), period.from());
    set.setParam(QStringLiteral("data2"), period.to());
}

void setClosedMonthsParams(Dataset& set, const OverviewPeriod& period)
{
    set.setParam(QStringLiteral("yea"), period.year);
    set.setParam(QStringLiteral("first"), period.wholeYear() ? 1 : period.month);
    set.setParam(QStringLiteral("last"), period.wholeYear() ? 12 : period.month);
}
