#pragma once

#include <QDate>

// Keeps one day cell of the monthly hours grid (accounts_dep.h_tabel) equal to the hours the
// journal holds for a worker, shift and day.

// After an entry was saved: writes the day's hours, adding the worker's row for that month and
// shift when there is none yet.
void hoursAfterSave(int workerId, int shift, const QDate& date);
// After an entry was deleted: writes the hours that are left; never adds a row.
void hoursAfterDelete(int workerId, int shift, const QDate& date);
