#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Runs statements that take locks other users may hold (a table lock, rows to delete) inside
// the open transaction of a connection, without freezing the window and without waiting on one
// lock while holding another. Each wait lasts a slice longer than the server's deadlock_timeout
// (1.1 s at least), so that the server's lock manager acts on it (it cancels an autovacuum that
// blocks it only then); between slices the window repaints (user input stays queued). All waits
// together last the session's lock timeout at most; then it fails as any statement that waited
// too long does.
//
// The statements run in order, and only the first one waits a slice: a later one whose lock is
// taken makes the try let go of everything, and the next try waits for that lock alone,
// holding none, before running them all again. So every statement must come to the same when
// run again. The first try gives each lock a moment only, so that `waiting` hears at once, and
// once, that a lock was taken. Throws DatabaseError.
void runPatiently(const QString& connectionName, const QStringList& statements, const std::function<void()>& waiting = {});
