#pragma once

struct T13Sheet;

// The unified time sheet into a new spreadsheet, in the printed form's structure: the heading,
// the column titles, four rows per worker and the signatures, with merged cells and borders,
// printed landscape one page wide. Answers false when no workbook could be opened or finished
// (the user has been told).
bool exportT13Sheet(const T13Sheet& sheet);

// Where the spreadsheet's blocks stand, for readers of the file: the first worker's first row,
// and the columns of the day cells and the totals (1-based).
namespace T13Cells {
const int FirstWorkerRow = 13;
const int Number = 1, Name = 2, WorkerNumber = 3, FirstDay = 4, Half = 20, MonthDays = 21, MonthHours = 22, FirstAbsence = 23;
const int LastColumn = 26;
}
