#pragma once

#include <QString>
#include <QStringList>

// The server used when the command line names none.
inline constexpr const char* BuiltInServer = "localhost";
inline constexpr const char* BuiltInDatabase = "kemra_erp";

// The ODBC connection string for a database on a server.
QString connectionString(const QString& database, const QString& server);
// The command line's arguments (without the program name): the database name and the
// server address count only together, and only when the address is not empty.
QString connectionStringForArguments(const QStringList& arguments);
