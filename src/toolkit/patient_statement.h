#pragma once

#include <QString>
#include <functional>

// Runs a statement that may have to wait on locks other users hold (a table lock, rows to
// delete) inside the open transaction of a connection, without freezing the window: it is tried
// with a short lock timeout, and between tries the window repaints (user input stays queued),
// until the session's lock timeout has passed; then it fails as any statement that waited too
// long does. `waiting` hears once that the first try found the lock taken. Throws DatabaseError.
void runPatiently(const QString& connectionName, const QString& statement, const std::function<void()>& waiting = {});
