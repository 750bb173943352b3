#pragma once

#include <QString>
#include <functional>

// The month's hours, summed over all shifts, into a new spreadsheet: the heading
// "<month name> <year>" in row 1, the header in row 2, then one row per worker with the 31 day
// values (0 for an empty day) and the total. `progress(written, count)` hears of every worker
// written, starting with 0 before the first. Answers false when no workbook could be opened
// (the user has been told); a database error is thrown.
bool exportMonth(int month, int year, const std::function<void(int written, int count)>& progress = {});
