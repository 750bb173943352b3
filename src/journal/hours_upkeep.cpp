#include "journal/hours_upkeep.h"

#include "core/data_module.h"
#include "toolkit/sql_text.h"

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

QString gridRowCountStatement(int workerId, int shift, const QDate& date)
{
    return QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel") + gridRowCondition(workerId, shift, date);
}

QString daySumStatement(int workerId, int shift, const QDate& date)
{
    return QStringLiteral("select sum(time) as tim from accounts_dep.smena where w_id=%1 and smena=%2 and data=to_date('%3', "
                          "'DD.MM.YYYY') group by w_id, smena, data")
        .arg(workerId)
        .arg(shift)
        .arg(sqlDateText(date));
}

QString dayUpdateStatement(int workerId, int shift, const QDate& date, int hours)
{
    return QStringLiteral("update accounts_dep.h_tabel set d%1=%2").arg(date.day()).arg(hours)
        + gridRowCondition(workerId, shift, date);
}

QString rowInsertStatement(int workerId, int shift, const QDate& date, int hours)
{
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d%1) values(%2, %3, %4, %5, %6)")
        .arg(date.day())
        .arg(shift)
        .arg(workerId)
        .arg(date.month())
        .arg(date.year())
        .arg(hours);
}

// Runs a one-row query on the scratch query Control and reads one integer; no row reads as 0.
int readNumber(const QString& statement, const QString& field)
{
    Dataset* control = DataModule6->Control;
    control->setSql(statement);
    control->open();
    const int number = control->value(field).toInt();
    control->close();
    return number;
}

int dayHours(int workerId, int shift, const QDate& date)
{
    return readNumber(daySumStatement(workerId, shift, date), QStringLiteral("tim"));
}

} // namespace

void hoursAfterSave(int workerId, int shift, const QDate& date)
{
    const int rows = readNumber(gridRowCountStatement(workerId, shift, date), QStringLiteral("cnt"));
    const int hours = dayHours(workerId, shift, date);
    DataModule6->H_Tabel_ins->execute(rows != 0 ? dayUpdateStatement(workerId, shift, date, hours)
                                                : rowInsertStatement(workerId, shift, date, hours));
}

void hoursAfterDelete(int workerId, int shift, const QDate& date)
{
    DataModule6->H_Tabel_ins->execute(dayUpdateStatement(workerId, shift, date, dayHours(workerId, shift, date)));
}
