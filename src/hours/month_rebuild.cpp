#include "hours/month_rebuild.h"

#include "core/data_module.h"
#include "toolkit/patient_statement.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QDate>
#include <QStringList>

RebuildStatements rebuildStatements(int month, int year)
{
    const QDate first(year, month, 1);
    // Each day's sum picks its rows by comparing the date with a constant: taking the day of the
    // month out of every row, 31 times over, cost half the rebuild. A day the month does not
    // have falls past its end and sums to 0.
    QStringList days, sums;
    for (int day = 1; day <= 31; ++day) {
        days << QStringLiteral("d%1").arg(day);
        sums << QStringLiteral("coalesce(sum(time) filter (where data=date '%1'), 0)").arg(first.addDays(day - 1).toString(Qt::ISODate));
    }
    RebuildStatements s;
    // Share row exclusive: every insert, update and delete of the journal waits for it and it
    // for them, as does a second rebuild; plain reads go on.
    s.lockJournal = QStringLiteral("lock table accounts_dep.smena in share row exclusive mode");
    s.deleteMonth = QStringLiteral("delete from accounts_dep.h_tabel where month=%1 and year=%2").arg(month).arg(year);
    // An entry without a worker or a shift has no row to go to.
    s.insertMonth = QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, %1) select smena, w_id, %2, %3, %4 "
                                   "from accounts_dep.smena where data>=%5 and data<%6 and w_id is not null and smena is not null "
                                   "group by smena, w_id")
                        .arg(days.join(QLatin1String(", ")))
                        .arg(month)
                        .arg(year)
                        .arg(sums.join(QLatin1String(", ")), sqlDate(first), sqlDate(first.addMonths(1)));
    return s;
}

void rebuildMonth(int month, int year, const std::function<void()>& waiting)
{
    const QString connection = QLatin1String(TDataModule6::ConnectionName);
    const RebuildStatements s = rebuildStatements(month, year);
    Transaction transaction(connection);
    // The journal first, as a save takes it before the grid rows: the rebuild waits on the
    // month's rows (another user may hold one; the lock leaves the grid itself free) only while
    // it holds nothing, so no save in any month queues behind it meanwhile.
    runPatiently(connection, {s.lockJournal, s.deleteMonth}, waiting);
    DataModule6->H_Tabel_ins->execute(s.insertMonth);
    transaction.commit();
}
