#pragma once

class Dataset;

#include "timesheet/t13_days.h"

#include <QDate>
#include <QString>
#include <QVector>

// The month of the unified time sheet as read from the database: the organisation, the
// calendar, and one line per worker who has hours or marks in the month.

// accounts_dep.organisation, its one row.
struct Requisites {
    QString name, okpo, unit;
    QString responsiblePos, responsibleName;
    QString headPos, headName;
    QString personnelPos, personnelName;
    bool nightShift3 = true;
    QString payCode, payAccount;   // the kind of pay and account every worker's hours go to; may be blank
};

Requisites readRequisites();
// The requisites a statement of t13_statements.h reads.
Requisites readRequisites(const QString& statement);
void writeRequisites(const Requisites& requisites);
AbsenceCodes readAbsenceCodes();
// The codes out of a set read with absenceCodesStatement().
AbsenceCodes absenceCodesIn(const Dataset& set);

struct T13Worker {
    int number = 0;            // the worker number (табельный номер)
    QString name;              // surname and initials
    QString position;
    T13Line line;
};

// What the form heads itself with besides the requisites.
struct T13Heading {
    QString documentNumber;
    QDate drawnUp;
    bool markUnexplained = false;
};

struct T13Sheet {
    int month = 0, year = 0;
    T13Heading heading;
    Requisites organisation;
    AbsenceCodes codes;
    QVector<bool> daysOff;
    QVector<bool> holidays;
    QVector<T13Worker> workers;   // by name
};

// The weekends and holidays of the month by the production calendar, day 1 at index 0, out of a
// set read with calendarStatement(month, year).
QVector<bool> daysOffIn(const Dataset& set, int month, int year);
// The calendar's non-working days ('H') alone, out of the same set.
QVector<bool> holidaysIn(const Dataset& set, int month, int year);

// The heading a month's form starts from: its number is the month's, drawn up on its last day.
T13Heading defaultT13Heading(int month, int year);

// Reads the month in one transaction-free pass of four statements; a database error is thrown.
T13Sheet readT13Sheet(int month, int year, const T13Heading& heading);

// "01.03.2025" .. "31.03.2025": the reporting period.
QDate periodStart(const T13Sheet& sheet);
QDate periodEnd(const T13Sheet& sheet);
