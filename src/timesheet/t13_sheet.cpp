#include "timesheet/t13_sheet.h"

#include "core/data_module.h"
#include "timesheet/t13_statements.h"
#include "toolkit/dataset.h"
#include "toolkit/sql_text.h"

#include <QHash>

namespace {

Dataset& opened(Dataset& set, const QString& statement)
{
    set.setSql(statement);
    set.open();
    return set;
}

QString connection() { return QLatin1String(TDataModule6::ConnectionName); }

} // namespace

Requisites readRequisites()
{
    return readRequisites(requisitesStatement());
}

Requisites readRequisites(const QString& statement)
{
    Dataset set(connection(), QStringLiteral("Requisites"));
    opened(set, statement);
    Requisites r;
    if (set.isEmpty())
        return r;
    const auto text = [&](const char* field) { return set.value(QLatin1String(field)).toString(); };
    r.name = text("name");
    r.okpo = text("okpo");
    r.unit = text("unit");
    r.responsiblePos = text("responsible_pos");
    r.responsibleName = text("responsible_name");
    r.headPos = text("head_pos");
    r.headName = text("head_name");
    r.personnelPos = text("personnel_pos");
    r.personnelName = text("personnel_name");
    r.nightShift3 = set.value(QStringLiteral("night_shift3")).toBool();
    r.payCode = text("pay_code");
    r.payAccount = text("pay_account");
    return r;
}

void writeRequisites(const Requisites& r)
{
    DataModule6->SQL_exec->execute(
        QStringLiteral("update accounts_dep.organisation set name=%1, okpo=%2, unit=%3, responsible_pos=%4, "
                       "responsible_name=%5, head_pos=%6, head_name=%7, personnel_pos=%8, personnel_name=%9, night_shift3=%10, "
                       "pay_code=%11, pay_account=%12")
            .arg(sqlQuote(r.name.trimmed()), sqlQuote(r.okpo.trimmed()), sqlQuote(r.unit.trimmed()),
                 sqlQuote(r.responsiblePos.trimmed()), sqlQuote(r.responsibleName.trimmed()), sqlQuote(r.headPos.trimmed()),
                 sqlQuote(r.headName.trimmed()), sqlQuote(r.personnelPos.trimmed()), sqlQuote(r.personnelName.trimmed()))
            .arg(r.nightShift3 ? QStringLiteral("true") : QStringLiteral("false"), sqlQuote(r.payCode.trimmed()),
                 sqlQuote(r.payAccount.trimmed())));
}

AbsenceCodes readAbsenceCodes()
{
    Dataset set(connection(), QStringLiteral("AbsenceCodes"));
    opened(set, absenceCodesStatement());
    return absenceCodesIn(set);
}

AbsenceCodes absenceCodesIn(const Dataset& set)
{
    AbsenceCodes codes;
    for (int row = 0; row < set.recordCount(); ++row) {
        const QString code = set.value(row, 0).toString();
        codes.order << code;
        codes.names.insert(code, set.value(row, 1).toString());
        if (set.value(row, 2).toBool())
            codes.withWork.insert(code);
    }
    return codes;
}

namespace {
QHash<int, QChar> calendarKinds(const Dataset& set)
{
    QHash<int, QChar> kinds;
    for (int row = 0; row < set.recordCount(); ++row)
        kinds.insert(set.value(row, 0).toInt(), set.value(row, 1).toString().at(0));
    return kinds;
}
}

QVector<bool> daysOffIn(const Dataset& set, int month, int year)
{
    return monthDaysOff(month, year, calendarKinds(set));
}

QVector<bool> holidaysIn(const Dataset& set, int month, int year)
{
    return monthHolidays(month, year, calendarKinds(set));
}

T13Heading defaultT13Heading(int month, int year)
{
    const QDate first(year, month, 1);
    return {QString::number(month), first.addDays(first.daysInMonth() - 1), false};
}

T13Sheet readT13Sheet(int month, int year, const T13Heading& heading)
{
    T13Sheet sheet;
    sheet.month = month;
    sheet.year = year;
    sheet.heading = heading;
    sheet.organisation = readRequisites(monthRequisitesStatement(month, year));
    sheet.codes = readAbsenceCodes();

    Dataset set(connection(), QStringLiteral("T13"));
    opened(set, calendarStatement(month, year));
    sheet.daysOff = daysOffIn(set, month, year);
    sheet.holidays = holidaysIn(set, month, year);

    QHash<int, WorkerMonth> months;
    opened(set, monthHoursStatement(month, year));
    for (int row = 0; row < set.recordCount(); ++row) {
        const int shift = set.value(row, 1).toInt();
        if (shift < 1 || shift > 4)
            continue;
        int* hours = months[set.value(row, 0).toInt()].hours[shift - 1];
        for (int day = 1; day <= 31; ++day)
            hours[day - 1] += set.value(row, day + 1).toInt();
    }
    opened(set, monthMarksStatement(month, year));
    for (int row = 0; row < set.recordCount(); ++row)
        months[set.value(row, 0).toInt()].marks[set.value(row, 1).toInt() - 1] = set.value(row, 2).toString();

    const T13Options options{sheet.organisation.nightShift3, heading.markUnexplained};
    opened(set, t13WorkersStatement(month, year));
    sheet.workers.reserve(set.recordCount());
    for (int row = 0; row < set.recordCount(); ++row) {
        T13Worker worker;
        worker.number = set.value(row, 0).toInt();
        worker.name = surnameAndInitials(set.value(row, 1).toString());
        worker.position = set.value(row, 2).toString();
        worker.line = t13Line(months.value(worker.number), sheet.daysOff, sheet.holidays, sheet.codes, options);
        sheet.workers << worker;
    }
    return sheet;
}

QDate periodStart(const T13Sheet& sheet) { return QDate(sheet.year, sheet.month, 1); }

QDate periodEnd(const T13Sheet& sheet)
{
    const QDate first = periodStart(sheet);
    return first.addDays(first.daysInMonth() - 1);
}
