#include "core/connection_string.h"

#include "toolkit/connect_options.h"

#include <QRegularExpression>

namespace {

struct ServerAddress {
    QString host;
    QString port;
};

// "db1", "db1:5433", "[::1]:5433", "::1" or a socket folder "/run/postgresql": a folder and an
// address with more than one colon carry no port of their own.
ServerAddress serverAddress(const QString& entry)
{
    static const QRegularExpression bracketed(QStringLiteral("^\\[(.*)\\]:([0-9]+)$"));
    static const QRegularExpression withPort(QStringLiteral("^([^:/][^:]*):([0-9]+)$"));
    const QString text = entry.trimmed();
    for (const QRegularExpression* form : {&bracketed, &withPort})
        if (const QRegularExpressionMatch match = form->match(text); match.hasMatch())
            return {match.captured(1), match.captured(2)};
    return {text, DefaultPort};
}
}

QString connectionString(const QString& database, const QString& server)
{
    QStringList hosts, ports;
    for (const QString& entry : server.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const ServerAddress address = serverAddress(entry);
        hosts << address.host;
        ports << address.port;
    }
    if (hosts.isEmpty())
        hosts << server;
    const bool several = hosts.size() > 1;
    const QString port = several ? quotedOption(ports.join(QLatin1Char(','))) : ports.value(0, DefaultPort);
    // Of several servers the one that takes writes: the others are standbys of it.
    const QString place = QStringLiteral("host=") + quotedOption(hosts.join(QLatin1Char(','))) + QStringLiteral(" dbname=")
        + quotedOption(database) + QStringLiteral(" port=") + port
        + (several ? QStringLiteral(" target_session_attrs=read-write") : QString());
    if (!loginNamedByEnvironment())
        return withLogin(place, QLatin1String(BuiltInLogin), QStringLiteral("mudvakp"));
    return place;
}

bool loginNamedByEnvironment()
{
    return !qEnvironmentVariableIsEmpty("PGUSER") || !qEnvironmentVariableIsEmpty("PGSERVICE");
}

QString withLogin(const QString& connectionString, const QString& login, const QString& password)
{
    return connectionString + QStringLiteral(" user=") + quotedOption(login) + QStringLiteral(" password=") + quotedOption(password);
}

QString connectionStringForArguments(const QStringList& arguments)
{
    const QString database = arguments.value(0);
    const QString server = arguments.value(1);
    if (server.isEmpty())
        return connectionString(QLatin1String(BuiltInDatabase), QLatin1String(BuiltInServer));
    return connectionString(database, server);
}
