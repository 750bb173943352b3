#pragma once

#include <QString>
#include <QStringList>

// The server used when the command line names none.
inline constexpr const char* BuiltInServer = "localhost";
inline constexpr const char* BuiltInDatabase = "kemra_erp";

// The libpq connection string for a database on a server (a host name or address, or the
// folder of the server's Unix socket): port 5432, user sys, SSL when the server offers it.
// `server` may list several, separated by commas, each with a port of its own ("db1:5433");
// the session then goes to whichever of them is the primary, taking writes.
QString connectionString(const QString& database, const QString& server);
// The command line's arguments (without the program name): the database name and the
// server address count only together, and only when the address is not empty.
QString connectionStringForArguments(const QStringList& arguments);
