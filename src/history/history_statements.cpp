#include "history/history_statements.h"

#include "toolkit/sql_text.h"

namespace {

// A field of a logged entry as the history shows it: %1 stands for the row's jsonb (l.old_row or
// l.new_row), %2 for the side of the joined names (o or n).
struct LoggedField {
    const char* caption;
    const char* key;
    const char* shown;
};

const LoggedField Fields[] = {
    {"Рабочий", "w_id", "coalesce(w%2.fio, %1->>'w_id')"},
    {"Изделие", "i_id", "coalesce(m%2.marka, %1->>'i_id')"},
    {"Операция", "o_id", "coalesce(v%2.vid, %1->>'o_id')"},
    {"Кол-во", "kol_vo", "%1->>'kol_vo'"},
    {"Брак", "brak", "%1->>'brak'"},
    {"Цвет", "color", "%1->>'color'"},
    {"Часы", "time", "%1->>'time'"},
    // JSON writes dates as YYYY-MM-DD
    {"Дата", "data", "substr(%1->>'data', 9, 2)||'.'||substr(%1->>'data', 6, 2)||'.'||substr(%1->>'data', 1, 4)"},
    {"Смена", "smena", "%1->>'smena'"},
    {"Приемка", "ok", "%1->>'ok'"},
};

const LoggedField& field(const char* key)
{
    for (const LoggedField& f : Fields)
        if (qstrcmp(f.key, key) == 0)
            return f;
    Q_UNREACHABLE();
}

enum class Side { Old, New };

QString shown(const LoggedField& field, Side side)
{
    const bool isNew = side == Side::New;
    const QString value = QString::fromUtf8(field.shown)
                              .replace(QLatin1String("%1"), isNew ? QLatin1String("l.new_row") : QLatin1String("l.old_row"))
                              .replace(QLatin1String("%2"), isNew ? QLatin1String("n") : QLatin1String("o"));
    return QStringLiteral("coalesce(%1, '')").arg(value);
}

// "Кол-во: 10 → 12" for each changed field of an update; every field with its value for an
// added or a deleted entry; the month for a closing or a reopening.
QString changesColumn()
{
    QStringList parts;
    for (const LoggedField& f : Fields) {
        const QString caption = sqlQuote(QString::fromUtf8(f.caption) + QStringLiteral(": "));
        parts << QStringLiteral("case when l.action='U' and l.old_row->'%1' is distinct from l.new_row->'%1' then %2||%3||' → '||%4 "
                                "when l.action='I' then %2||%4 when l.action='D' then %2||%3 end")
                     .arg(QString::fromUtf8(f.key), caption, shown(f, Side::Old), shown(f, Side::New));
    }
    return QStringLiteral("case when l.smena_id is null then accounts_dep.month_name((r.v->>'month')::integer)||' '||(r.v->>'year') "
                          "else concat_ws('; ', ")
        + parts.join(QStringLiteral(", ")) + QStringLiteral(") end");
}

// The names of both sides' worker, product and operation, joined once per table rather than
// looked up row by row: a month of a large floor lists tens of thousands of changes.
QString namesJoined()
{
    QString joins;
    for (const QString& side : {QStringLiteral("o"), QStringLiteral("n")}) {
        const QString row = side == QLatin1String("n") ? QStringLiteral("l.new_row") : QStringLiteral("l.old_row");
        joins += QStringLiteral("left join accounts_dep.person w%1 on w%1.id=(%2->>'w_id')::integer \n"
                                "left join accounts_dep.izdel m%1 on m%1.id=(%2->>'i_id')::numeric \n"
                                "left join (select o.id, t.vid from accounts_dep.oper o, accounts_dep.vid_oper t where t.id=o.vid) v%1 "
                                "on v%1.id=(%2->>'o_id')::integer \n")
                     .arg(side, row);
    }
    return joins;
}

// The columns both windows show; r.v is the row after the change, or before a delete.
QString logSelect()
{
    return QStringLiteral(
               "select l.id, l.smena_id, to_char(l.at, 'DD.MM.YYYY HH24:MI:SS') as at, "
               "coalesce(l.app, '')||coalesce(' ('||l.db_user||coalesce(', '||host(l.client), '')||')', '') as who, "
               "case when l.smena_id is null then case l.action when 'I' then 'Закрытие месяца' when 'D' then 'Открытие месяца' "
               "else 'Изменение закрытия' end "
               "else case l.action when 'I' then 'Добавление' when 'U' then 'Изменение' else 'Удаление' end end as act, "
               "case when l.new_row is null then %1 else %2 end as data, (r.v->>'smena')::integer as smena, "
               "case when l.new_row is null then %3 else %4 end as fio, ")
               .arg(shown(field("data"), Side::Old), shown(field("data"), Side::New), shown(field("w_id"), Side::Old),
                    shown(field("w_id"), Side::New))
        + changesColumn()
        + QStringLiteral(" as changes, l.at as stamp \n"
                         "from accounts_dep.smena_log l cross join lateral (select coalesce(l.new_row, l.old_row) as v) r \n")
        + namesJoined();
}

// The condition that picks an action's rows; a closing is a month's row added to closed_month,
// a reopening one taken from it.
QString actionCondition(LoggedAction action)
{
    switch (action) {
    case LoggedAction::Added: return QStringLiteral(" and l.smena_id is not null and l.action='I'");
    case LoggedAction::Changed: return QStringLiteral(" and l.smena_id is not null and l.action='U'");
    case LoggedAction::Deleted: return QStringLiteral(" and l.smena_id is not null and l.action='D'");
    case LoggedAction::Closed: return QStringLiteral(" and l.smena_id is null and l.action='I'");
    case LoggedAction::Reopened: return QStringLiteral(" and l.smena_id is null and l.action='D'");
    case LoggedAction::Any:
    case LoggedAction::Marked:   // the marks' own statement
        break;
    }
    return {};
}

// The clerk's day marks (accounts_dep.absence_log) in the same columns.
QString marksSelect()
{
    return QStringLiteral(
        "select a.id, null::integer as smena_id, to_char(a.at, 'DD.MM.YYYY HH24:MI:SS') as at, "
        "coalesce(a.app, '')||coalesce(' ('||a.db_user||coalesce(', '||host(a.client), '')||')', '') as who, "
        "case a.action when 'I' then 'Отметка' when 'U' then 'Замена отметки' else 'Снятие отметки' end as act, "
        "to_char(a.day, 'DD.MM.YYYY') as data, null::integer as smena, coalesce(p.fio, a.w_id::text) as fio, "
        "'Неявка: '||coalesce(a.old_code, '—')||' → '||coalesce(a.new_code, '—') as changes, a.at as stamp \n"
        "from accounts_dep.absence_log a left join accounts_dep.person p on p.id = a.w_id \n");
}

QString marksCondition(const QDate& from, const QDate& to, int workerId, LogPeriod period)
{
    QString condition = period == LogPeriod::ChangeDate
        ? QStringLiteral("where a.at >= %1::timestamp and a.at < %2::timestamp").arg(sqlDate(from), sqlDate(to.addDays(1)))
        : QStringLiteral("where a.day between %1 and %2").arg(sqlDate(from), sqlDate(to));
    if (workerId != 0)
        condition += QStringLiteral(" and a.w_id=%1").arg(workerId);
    return condition;
}

} // namespace

QString entryHistoryStatement(int entryId)
{
    return logSelect() + QStringLiteral("where l.smena_id=%1 order by l.id desc").arg(entryId);
}

QString periodLogStatement(const QDate& from, const QDate& to, int workerId, LoggedAction action, LogPeriod period)
{
    const QString marks = marksSelect() + marksCondition(from, to, workerId, period);
    if (action == LoggedAction::Marked)
        return marks + QStringLiteral(" order by a.id desc");
    QString statement = logSelect();
    if (period == LogPeriod::ChangeDate) {
        // From the first moment of `from` to the first of the day after `to`, on the local clock.
        statement += QStringLiteral("where l.at >= %1::timestamp and l.at < %2::timestamp").arg(sqlDate(from), sqlDate(to.addDays(1)));
    } else {
        const QString range = QStringLiteral(" between %1 and %2").arg(sqlDate(from), sqlDate(to));
        statement += QStringLiteral("where (l.day") + range + QStringLiteral(" or l.moved_from") + range + QLatin1Char(')');
    }
    if (workerId != 0)
        statement += QStringLiteral(" and (l.new_row->>'w_id'='%1' or l.old_row->>'w_id'='%1')").arg(workerId);
    statement += actionCondition(action);
    if (action != LoggedAction::Any)
        return statement + QStringLiteral(" order by l.id desc");
    // Both histories, newest first; the changes of one transaction share their moment.
    return QStringLiteral("select * from (") + statement + QStringLiteral("\nunion all\n") + marks
        + QStringLiteral(") c order by c.stamp desc, c.id desc");
}

QString closingMonthsStatement()
{
    // The months of the journal are found by skipping through the date index, one probe a month.
    return QStringLiteral(
        "with recursive m(first_day) as ( \n"
        "  select date_trunc('month', min(data))::date from accounts_dep.smena \n"
        "  union all \n"
        "  select (select date_trunc('month', min(s.data))::date from accounts_dep.smena s \n"
        "          where s.data >= (m.first_day + interval '1 month')::date) from m where m.first_day is not null), \n"
        "journal as (select extract(year from first_day)::integer as year, extract(month from first_day)::integer as month \n"
        "  from m where first_day is not null) \n"
        "select year, month, accounts_dep.month_name(month)||' '||year as caption, \n"
        "case when c.closed_at is null then 'открыт' else 'закрыт' end as state, \n"
        "to_char(c.closed_at, 'DD.MM.YYYY HH24:MI') as closed_at, \n"
        "coalesce(to_char(c.closed_at, 'DD.MM.YYYY HH24:MI'), 'был закрыт '||to_char(last.at, 'DD.MM.YYYY HH24:MI')) as closed_when, \n"
        "coalesce(c.closed_by, '('||last.who||')') as closed_by \n"
        "from journal full join accounts_dep.closed_month c using (year, month) \n"
        // a reopened month: its last closing, from the history
        "left join lateral (select l.at, coalesce(l.db_user, l.app) as who from accounts_dep.smena_log l \n"
        "  where c.closed_at is null and l.smena_id is null and l.action='I' and l.day=make_date(year, month, 1) \n"
        "  order by l.id desc limit 1) last on true \n"
        "order by year desc, month desc");
}

QString monthClosedStatement(const QDate& date)
{
    return QStringLiteral("select count(*) as cnt from accounts_dep.closed_month where year=%1 and month=%2")
        .arg(date.year())
        .arg(date.month());
}

QString closeMonthStatement(int month, int year)
{
    return QStringLiteral("select accounts_dep.close_month(%1, %2)").arg(month).arg(year);
}

QString reopenMonthStatement(int month, int year)
{
    return QStringLiteral("select accounts_dep.reopen_month(%1, %2)").arg(month).arg(year);
}
