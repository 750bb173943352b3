#pragma once

#include <QDate>
#include <QList>
#include <QString>

// Keeps one day cell of the monthly hours grid (accounts_dep.h_tabel) equal to the hours the
// journal holds for a worker, shift and day. Each upkeep is one transaction, or part of the
// caller's, so the journal change and its cell commit together.

// The statements of one upkeep, in the order they run. The row is made sure of (after a save
// only), then locked, and only then does a later statement take the day's sum: in READ
// COMMITTED a statement sees what was committed when it started, so a sum taken in the
// statement that waited for the lock could miss the entry of the client that held it.
struct HoursStatements {
    QString ensureRow;
    QString lockRow;
    QString setCell;
};
HoursStatements hoursStatements(int workerId, int shift, const QDate& date);

// After an entry was saved: writes the day's hours, adding the worker's row for that month and
// shift when there is none yet.
void hoursAfterSave(int workerId, int shift, const QDate& date);
// After an entry was deleted: writes the hours that are left; never adds a row.
void hoursAfterDelete(int workerId, int shift, const QDate& date);

// A day cell of the grid.
struct HoursCell {
    int workerId = 0;
    int shift = 0;
    QDate date;
};
// The cells of the journal entries that match a condition on accounts_dep.smena
// (for instance "i_id=12"), read before those entries are deleted.
QList<HoursCell> hoursCellsOf(const QString& entriesCondition);
