#pragma once

#include <QString>
#include <QStringList>

// Named connections of Qt's database drivers, opened so that a failure leaves none behind.

// Opens a named ODBC connection as it stands (any data source); throws DatabaseError with the
// driver's text. The connection string may be a data source's name alone; a user and password
// given are added to it.
void openOdbcConnection(const QString& connectionName, const QString& connectionString, const QString& user = {},
                        const QString& password = {});
// Opens a connection to this system's PostgreSQL server through Qt's PostgreSQL driver, with a
// libpq connection string, and prepares its session (see prepareServerSession).
void openServerConnection(const QString& connectionName, const QString& connectionString, const QString& namedLike = {});
// Puts on the session of an open connection to this system's server the settings the
// program's statements rely on (they are put again whenever it is reopened), and the client's
// name given to it or to `namedLike`; a connection that refuses them is closed and removed.
// Throws DatabaseError.
void prepareServerSession(const QString& connectionName, const QString& namedLike = {});
// Closes a named connection and forgets it; nothing happens for a name not in use.
void closeNamedConnection(const QString& connectionName);
// What each server a libpq connection string names answers a connection of its own, one line
// each ("db2:5432 — резервный сервер (standby): только чтение, запись не принимает", "db1:5432 —
// не отвечает: …"): why none of them took the program's connection. Each is given up after
// Session::connectTimeoutSeconds().
QStringList serverAnswers(const QString& connectionString);
