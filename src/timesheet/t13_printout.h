#pragma once

#include "timesheet/t13_sheet.h"
#include "toolkit/report/report_layout.h"
#include "toolkit/report/report_rows.h"

#include <memory>

// The unified time sheet (form T-13) on A4 landscape: the form's heading on the first page, the
// column heading on every page, a block of four lines per worker (codes over hours of days 1-15,
// then of 16-31), the half-month and month totals, the absences by code, and the signatures.

ReportLayout t13Layout(const T13Sheet& sheet);
// The workers as the layout reads them, one row each.
std::unique_ptr<ReportRowReader> t13Rows(const T13Sheet& sheet);
// "<workbook folder>/Табель Т-13 Март 2025.pdf".
QString t13PdfPath(int month, int year);

// Where the form's columns stand, in mm from the left margin; the spreadsheet follows the same
// structure.
namespace T13Column {
const int DaysPerLine = 16;          // 15 days and a crossed cell, then 16 to 31
const int AbsenceLines = 4;          // reasons per column pair
const int AbsencePairs = 2;
}

// A position as it prints under the name: one line, or two broken between words when it is too
// long for one.
QStringList t13PositionLines(const QString& position);

// Columns 7-9 of a worker's first line: the organisation's kind of pay and account, and the days
// (hours) worked that they cover; all blank when the organisation has set neither.
struct T13PayData {
    QString code, account, daysAndHours;
};
T13PayData t13PayData(const Requisites& organisation, const T13Line& line);

// The texts of the worker's four lines: line 0 codes and line 1 hours of days 1..16 (day 16 of
// the first half crossed), lines 2 and 3 of days 16..31; a day the month lacks is crossed "X".
QString t13DayText(const T13Worker& worker, int line, int cell);
