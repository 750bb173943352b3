#pragma once

#include <functional>

// Replaces the hours grid of a month, every shift, by the journal's day sums: one row per
// worker and shift with entries in the month, each day's cell the hours of that day's entries
// whatever their acceptance, the days without entries at the table's default. Runs as one
// transaction, so an error leaves the grid as it was. `dayDone` hears of each day (1, 2, ...)
// once its sums are read; the rows are written after the last day.
void rebuildMonth(int month, int year, const std::function<void(int day)>& dayDone = {});
