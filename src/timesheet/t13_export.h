#pragma once

struct T13Sheet;

// The unified time sheet into a new spreadsheet, in the printed form's structure: the heading,
// the column titles, four rows per worker and the signatures, with merged cells and borders,
// printed landscape one page wide. Answers false when no workbook could be opened or finished
// (the user has been told).
bool exportT13Sheet(const T13Sheet& sheet);

#include <QList>

// Where the spreadsheet's blocks stand, for readers of the file: the first worker's first row,
// and the columns of the day cells and the totals (1-based). Three rows of column titles and the
// row of the form's column numbers stand right above the first worker and print on every page.
namespace T13Cells {
const int FirstWorkerRow = 14;
const int FirstTitleRow = FirstWorkerRow - 4, ColumnNumbersRow = FirstWorkerRow - 1;
const int Number = 1, Name = 2, WorkerNumber = 3, FirstDay = 4, Half = 20, MonthDays = 21, MonthHours = 22;
const int PayCode = 23, PayAccount = 24, PayDays = 25, FirstAbsence = 26;
const int LastColumn = 29;
}

// The rows a new printed page starts below, so that no worker's four rows are split: the
// sheet prints one page wide at about two thirds of its size, which leaves room for six
// workers under the form's heading and nine under the repeated titles; the signatures go over
// to a page of their own rather than split.
QList<int> t13PageBreaks(int workers);
