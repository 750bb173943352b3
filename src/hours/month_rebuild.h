#pragma once

#include <QString>
#include <functional>

// Replaces the hours grid of a month, every shift, by the journal's day sums: one row per
// worker and shift with entries in the month, each day's cell the hours of that day's entries
// whatever their acceptance, 0 on days without entries. Runs as one transaction, so an error
// leaves the grid as it was.
//
// The result is the journal as committed when the rebuild commits, whatever other clients do
// meanwhile: the rebuild first takes a lock on the journal that conflicts with every change of
// it (and with another rebuild), so saves already under way finish first and new ones wait
// the moment the rebuild takes; the server then sums the month in one statement. While the
// lock or the month's grid rows are held by others the window keeps repainting; `waiting`
// hears of it once. Throws DatabaseError, the lock-timeout kind when the wait was too long.
void rebuildMonth(int month, int year, const std::function<void()>& waiting = {});

// The statements of a rebuild, in the order they run.
struct RebuildStatements {
    QString lockJournal;
    QString deleteMonth;
    QString insertMonth;
};
RebuildStatements rebuildStatements(int month, int year);
