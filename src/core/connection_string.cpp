#include "core/connection_string.h"

namespace {
// A value between single quotes, as libpq reads it.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}
}

QString connectionString(const QString& database, const QString& server)
{
    const QString place = QStringLiteral("host=") + quoted(server) + QStringLiteral(" dbname=") + quoted(database)
        + QStringLiteral(" port=5432 sslmode=allow");
    if (qEnvironmentVariableIsEmpty("PGUSER") && qEnvironmentVariableIsEmpty("PGSERVICE"))
        return withLogin(place, QStringLiteral("sys"), QStringLiteral("mudvakp"));
    return place;
}

QString withLogin(const QString& connectionString, const QString& login, const QString& password)
{
    return connectionString + QStringLiteral(" user=") + quoted(login) + QStringLiteral(" password=") + quoted(password);
}

QString connectionStringForArguments(const QStringList& arguments)
{
    const QString database = arguments.value(0);
    const QString server = arguments.value(1);
    if (server.isEmpty())
        return connectionString(QLatin1String(BuiltInDatabase), QLatin1String(BuiltInServer));
    return connectionString(database, server);
}
