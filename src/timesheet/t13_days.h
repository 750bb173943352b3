#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// The day marks and totals of one worker's month on the unified time sheet (form T-13), from
// the hours of each shift, the clerk's marks and the production calendar. Plain arithmetic.

// The clerk's codes as the server lists them (accounts_dep.absence_code).
struct AbsenceCodes {
    QStringList order;               // by the form's number: the order of the absence columns
    QHash<QString, QString> names;   // code -> name
    QSet<QString> withWork;          // codes that may stand on a day with hours
};

struct T13Options {
    bool nightShift3 = true;         // shift 3 is night work ("Н"), else day work ("Я")
    bool markUnexplained = false;    // a working day with neither hours nor a mark reads "НН"
};

// One worker's month as read: hours[shift - 1][day - 1] for shifts 1..4, the clerk's mark of
// each day (empty: none).
struct WorkerMonth {
    int hours[4][31] = {};
    QString marks[31];
};

// A day as the form prints it: codes on the upper line, hours under them ("Я/Н" over "8/4").
struct T13Day {
    QString code;
    QString hours;
    int worked = 0;                  // hours of the day, all codes together
};

struct AbsenceTotal {
    QString code;
    int days = 0;
    int hours = 0;
    bool operator==(const AbsenceTotal& o) const { return code == o.code && days == o.days && hours == o.hours; }
};

struct T13Line {
    QVector<T13Day> days;            // one per day of the month
    int halfDays[2] = {};            // days worked in 1..15 and 16..end
    int halfHours[2] = {};
    int monthDays = 0;
    int monthHours = 0;
    QVector<AbsenceTotal> absences;  // in the order of AbsenceCodes::order
};

// Day d (1-based) of the month is a weekend or holiday: by the calendar's kind of that day
// ('H' off, 'W' or 'S' working), else Saturdays and Sundays.
QVector<bool> monthDaysOff(int month, int year, const QHash<int, QChar>& calendarKinds);
// Day d of the month is a non-working holiday by the calendar ('H').
QVector<bool> monthHolidays(int month, int year, const QHash<int, QChar>& calendarKinds);

// The annual leave codes (ОТ, ОД): a non-working holiday inside such a leave is no day of it.
bool isAnnualLeave(const QString& code);

// Codes and hours of every day, the half-month and month totals and the absences by code.
// Hours in shifts 1-2 are "Я", shift 3 "Н" (or "Я" when it is no night work), shift 4 "С"; on
// a day off every hour is "РВ". A mark that goes with work stands in place of "Я" on a day with
// hours; a day without hours shows its mark, else "В" on a day off, else blank or "НН". A holiday
// (`holidays`, may be empty) marked with annual leave reads "В" and is not counted in the leave.
T13Line t13Line(const WorkerMonth& worker, const QVector<bool>& daysOff, const QVector<bool>& holidays, const AbsenceCodes& codes,
                const T13Options& options);

// "Иванов Иван Петрович" -> "Иванов И. П."; a name already short or of one word stays as it is.
QString surnameAndInitials(const QString& fullName);

// "5 (40)" for five days with 40 hours, "5" when the days carry no hours.
QString daysAndHours(int days, int hours);
