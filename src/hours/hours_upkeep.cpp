#include "hours/hours_upkeep.h"

#include "core/data_module.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

namespace {

// The worker, shift and month a grid row belongs to.
QString gridRowCondition(int workerId, int shift, const QDate& date)
{
    return QStringLiteral(" where w_id=%1 and smena=%2 and month=%3 and year=%4")
        .arg(workerId)
        .arg(shift)
        .arg(date.month())
        .arg(date.year());
}

// Runs a statement that reads rows on the scratch query Control and closes it again.
void runOnControl(const QString& statement)
{
    Dataset* control = DataModule6->Control;
    control->setSql(statement);
    control->open();
    control->close();
}

} // namespace

HoursStatements hoursStatements(int workerId, int shift, const QDate& date)
{
    HoursStatements s;
    s.ensureRow = QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year) values(%1, %2, %3, %4) "
                                 "on conflict (w_id, smena, month, year) do nothing")
                      .arg(shift)
                      .arg(workerId)
                      .arg(date.month())
                      .arg(date.year());
    s.lockRow = QStringLiteral("select id from accounts_dep.h_tabel") + gridRowCondition(workerId, shift, date)
        + QStringLiteral(" for update");
    s.setCell = QStringLiteral("update accounts_dep.h_tabel set d%1=(select coalesce(sum(time), 0) from accounts_dep.smena "
                               "where w_id=%2 and smena=%3 and data=to_date('%4', 'DD.MM.YYYY'))")
                    .arg(date.day())
                    .arg(workerId)
                    .arg(shift)
                    .arg(sqlDateText(date))
        + gridRowCondition(workerId, shift, date);
    return s;
}

void hoursAfterSave(int workerId, int shift, const QDate& date)
{
    const HoursStatements s = hoursStatements(workerId, shift, date);
    Transaction t(QLatin1String(TDataModule6::ConnectionName));
    DataModule6->H_Tabel_ins->execute(s.ensureRow);
    runOnControl(s.lockRow);
    DataModule6->H_Tabel_ins->execute(s.setCell);
    t.commit();
}

void hoursAfterDelete(int workerId, int shift, const QDate& date)
{
    const HoursStatements s = hoursStatements(workerId, shift, date);
    Transaction t(QLatin1String(TDataModule6::ConnectionName));
    runOnControl(s.lockRow);
    DataModule6->H_Tabel_ins->execute(s.setCell);
    t.commit();
}

QList<HoursCell> hoursCellsOf(const QString& entriesCondition)
{
    Dataset* control = DataModule6->Control;
    control->setSql(QStringLiteral("select distinct w_id, smena, data from accounts_dep.smena where ") + entriesCondition
                    + QStringLiteral(" and w_id is not null and smena is not null and data is not null"));
    control->open();
    QList<HoursCell> cells;
    for (control->first(); !control->eof(); control->next())
        cells.append({control->value(QStringLiteral("w_id")).toInt(), control->value(QStringLiteral("smena")).toInt(),
                      control->value(QStringLiteral("data")).toDate()});
    control->close();
    return cells;
}
