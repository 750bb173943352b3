#include "history/history_statements.h"

#include "toolkit/sql_text.h"

namespace {

// A field of a logged entry as the history shows it; %1 stands for the row's jsonb.
struct LoggedField {
    const char* caption;
    const char* key;
    const char* shown;
};

const LoggedField Fields[] = {
    {"Рабочий", "w_id", "coalesce((select p.fio from accounts_dep.person p where p.id=(%1->>'w_id')::integer), %1->>'w_id')"},
    {"Изделие", "i_id", "coalesce((select i.marka from accounts_dep.izdel i where i.id=(%1->>'i_id')::numeric), %1->>'i_id')"},
    {"Операция", "o_id",
     "coalesce((select v.vid from accounts_dep.oper o, accounts_dep.vid_oper v where o.id=(%1->>'o_id')::integer and v.id=o.vid), "
     "%1->>'o_id')"},
    {"Кол-во", "kol_vo", "%1->>'kol_vo'"},
    {"Брак", "brak", "%1->>'brak'"},
    {"Цвет", "color", "%1->>'color'"},
    {"Часы", "time", "%1->>'time'"},
    {"Дата", "data", "to_char((%1->>'data')::date, 'DD.MM.YYYY')"},
    {"Смена", "smena", "%1->>'smena'"},
    {"Приёмка", "ok", "%1->>'ok'"},
};

QString shown(const LoggedField& field, const QString& side)
{
    return QStringLiteral("coalesce(%1, '')").arg(QString::fromUtf8(field.shown).arg(side));
}

// "Кол-во: 10 → 12" for each changed field of an update; every field with its value for an
// added or a deleted entry; the month for a closing or a reopening.
QString changesColumn()
{
    QStringList parts;
    for (const LoggedField& field : Fields) {
        const QString caption = sqlQuote(QString::fromUtf8(field.caption) + QStringLiteral(": "));
        parts << QStringLiteral("case when l.action='U' and l.old_row->'%1' is distinct from l.new_row->'%1' then %2||%3||' → '||%4 "
                                "when l.action='I' then %2||%4 when l.action='D' then %2||%3 end")
                     .arg(QString::fromUtf8(field.key), caption, shown(field, QStringLiteral("l.old_row")),
                          shown(field, QStringLiteral("l.new_row")));
    }
    return QStringLiteral("case when l.smena_id is null then accounts_dep.month_name((r.v->>'month')::integer)||' '||(r.v->>'year') "
                          "else concat_ws('; ', ")
        + parts.join(QStringLiteral(", ")) + QStringLiteral(") end");
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
               "to_char((r.v->>'data')::date, 'DD.MM.YYYY') as data, (r.v->>'smena')::integer as smena, ")
        + shown(Fields[0], QStringLiteral("r.v")) + QStringLiteral(" as fio, ") + changesColumn()
        + QStringLiteral(" as changes \n"
                         "from accounts_dep.smena_log l, lateral (select coalesce(l.new_row, l.old_row) as v) r \n");
}

QString actionCode(LoggedAction action)
{
    switch (action) {
    case LoggedAction::Added: return QStringLiteral("I");
    case LoggedAction::Changed: return QStringLiteral("U");
    case LoggedAction::Deleted: return QStringLiteral("D");
    case LoggedAction::Any: break;
    }
    return {};
}

} // namespace

QString entryHistoryStatement(int entryId)
{
    return logSelect() + QStringLiteral("where l.smena_id=%1 order by l.id desc").arg(entryId);
}

QString periodLogStatement(const QDate& from, const QDate& to, int workerId, LoggedAction action)
{
    const QString range = QStringLiteral(" between %1 and %2").arg(sqlDate(from), sqlDate(to));
    QString statement = logSelect() + QStringLiteral("where (accounts_dep.smena_log_day(l.new_row)") + range
        + QStringLiteral(" or accounts_dep.smena_log_day(l.old_row)") + range + QLatin1Char(')');
    if (workerId != 0)
        statement += QStringLiteral(" and (l.new_row->>'w_id'='%1' or l.old_row->>'w_id'='%1')").arg(workerId);
    if (action != LoggedAction::Any)
        statement += QStringLiteral(" and l.smena_id is not null and l.action='%1'").arg(actionCode(action));
    return statement + QStringLiteral(" order by l.id desc");
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
        "to_char(c.closed_at, 'DD.MM.YYYY HH24:MI') as closed_at, c.closed_by \n"
        "from journal full join accounts_dep.closed_month c using (year, month) \n"
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
    return QStringLiteral("insert into accounts_dep.closed_month (month, year) values (%1, %2) on conflict do nothing")
        .arg(month)
        .arg(year);
}

QString reopenMonthStatement(int month, int year)
{
    return QStringLiteral("delete from accounts_dep.closed_month where year=%1 and month=%2").arg(year).arg(month);
}
