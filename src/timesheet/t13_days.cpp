#include "timesheet/t13_days.h"

#include <QDate>

namespace {

const QString Day = QStringLiteral("Я");
const QString Night = QStringLiteral("Н");
const QString Overtime = QStringLiteral("С");
const QString DayOffWork = QStringLiteral("РВ");
const QString DayOff = QStringLiteral("В");
const QString Unexplained = QStringLiteral("НН");
const int HalfMonth = 15;

// The parts of a worked day, in the form's order: day work (or the mark in its place), night, overtime.
T13Day workedDay(int dayHours, int nightHours, int overtime, const QString& dayCode)
{
    QStringList codes, hours;
    const auto add = [&](const QString& code, int h) {
        if (h > 0) {
            codes << code;
            hours << QString::number(h);
        }
    };
    add(dayCode, dayHours);
    add(Night, nightHours);
    add(Overtime, overtime);
    return {codes.join(QLatin1Char('/')), hours.join(QLatin1Char('/')), dayHours + nightHours + overtime};
}

} // namespace

QVector<bool> monthDaysOff(int month, int year, const QHash<int, QChar>& calendarKinds)
{
    const QDate first(year, month, 1);
    QVector<bool> off(first.daysInMonth());
    for (int day = 1; day <= off.size(); ++day) {
        const QChar kind = calendarKinds.value(day);
        off[day - 1] = kind.isNull() ? first.addDays(day - 1).dayOfWeek() >= Qt::Saturday : kind == QLatin1Char('H');
    }
    return off;
}

QVector<bool> monthHolidays(int month, int year, const QHash<int, QChar>& calendarKinds)
{
    QVector<bool> holidays(QDate(year, month, 1).daysInMonth());
    for (int day = 1; day <= holidays.size(); ++day)
        holidays[day - 1] = calendarKinds.value(day) == QLatin1Char('H');
    return holidays;
}

bool isAnnualLeave(const QString& code)
{
    return code == QStringLiteral("ОТ") || code == QStringLiteral("ОД");
}

T13Line t13Line(const WorkerMonth& worker, const QVector<bool>& daysOff, const QVector<bool>& holidays, const AbsenceCodes& codes,
                const T13Options& options)
{
    T13Line line;
    line.days.resize(daysOff.size());
    QHash<QString, AbsenceTotal> absences;
    for (int d = 0; d < daysOff.size(); ++d) {
        const int dayShifts = worker.hours[0][d] + worker.hours[1][d];
        const int shift3 = worker.hours[2][d];
        const int overtime = worker.hours[3][d];
        const int total = dayShifts + shift3 + overtime;
        const QString& mark = worker.marks[d];
        const bool markWithWork = !mark.isEmpty() && codes.withWork.contains(mark);
        T13Day& day = line.days[d];
        QString absence;
        if (total > 0) {
            // A mark that is no work stands on a day that got hours after it was set: the hours count.
            if (daysOff.at(d))
                day = {DayOffWork, QString::number(total), total};
            else if (options.nightShift3)
                day = workedDay(dayShifts, shift3, overtime, markWithWork ? mark : Day);
            else
                day = workedDay(dayShifts + shift3, 0, overtime, markWithWork ? mark : Day);
            if (markWithWork)
                absence = mark;
        } else if (!mark.isEmpty() && isAnnualLeave(mark) && holidays.value(d)) {
            day.code = DayOff;   // a non-working holiday lengthens the leave rather than counting in it
        } else if (!mark.isEmpty()) {
            day.code = mark;
            absence = mark;
        } else if (daysOff.at(d)) {
            day.code = DayOff;
        } else if (options.markUnexplained) {
            day.code = Unexplained;
            absence = Unexplained;
        }
        if (total > 0) {
            const int half = d < HalfMonth ? 0 : 1;
            ++line.halfDays[half];
            line.halfHours[half] += total;
        }
        if (!absence.isEmpty()) {
            AbsenceTotal& a = absences[absence];
            a.code = absence;
            ++a.days;
            a.hours += total;
        }
    }
    line.monthDays = line.halfDays[0] + line.halfDays[1];
    line.monthHours = line.halfHours[0] + line.halfHours[1];
    for (const QString& code : codes.order)
        if (absences.contains(code))
            line.absences << absences.take(code);
    for (const AbsenceTotal& rest : std::as_const(absences))   // a code the list no longer has
        line.absences << rest;
    return line;
}

QString surnameAndInitials(const QString& fullName)
{
    const QStringList words = fullName.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2)
        return fullName.simplified();
    QString shortName = words.first();
    for (int i = 1; i < words.size() && i < 3; ++i) {
        const QString& w = words.at(i);
        if (w.endsWith(QLatin1Char('.')))   // initials already
            return fullName.simplified();
        shortName += QLatin1Char(' ') + w.left(1) + QLatin1Char('.');
    }
    return shortName;
}

QString daysAndHours(int days, int hours)
{
    return hours > 0 ? QStringLiteral("%1 (%2)").arg(days).arg(hours) : QString::number(days);
}
