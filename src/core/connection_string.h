#pragma once

#include <QString>
#include <QStringList>

// The server used when the command line names none.
inline constexpr const char* BuiltInServer = "localhost";
inline constexpr const char* BuiltInDatabase = "kemra_erp";

// The libpq connection string for a database on a server (a host name or address, or the
// folder of the server's Unix socket): port 5432, and the built-in login sys, unless the
// environment names a login where libpq reads it (PGUSER, or a service file through
// PGSERVICE): libpq then finds that login's password itself (PGPASSWORD, ~/.pgpass, the
// service file), so each person may sign in to the server as himself. It names no TLS mode:
// libpq's default and the site's (PGSSLMODE, PGSSLROOTCERT, a service file) decide, so a site
// that asks for verify-full gets it.
// `server` may list several, separated by commas, each with a port of its own ("db1:5433");
// the session then goes to whichever of them is the primary, taking writes.
QString connectionString(const QString& database, const QString& server);
// The same connection string with a login and password of its own in place of the one it names
// (libpq takes the last of a keyword given twice).
QString withLogin(const QString& connectionString, const QString& login, const QString& password);
// The command line's arguments (without the program name): the database name and the
// server address count only together, and only when the address is not empty.
QString connectionStringForArguments(const QStringList& arguments);
// Whether the environment names a login where libpq reads it (PGUSER, PGSERVICE); without one
// the program signs in as the built-in login sys.
bool loginNamedByEnvironment();
// The built-in login's name.
inline constexpr const char* BuiltInLogin = "sys";
