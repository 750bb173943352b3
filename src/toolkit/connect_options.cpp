#include "toolkit/connect_options.h"

#include <QStringList>

#include <libpq-fe.h>

ConnectOptions::ConnectOptions(const QString& text)
{
    PQconninfoOption* options = PQconninfoParse(text.toUtf8().constData(), nullptr);
    if (!options)
        return;
    for (PQconninfoOption* option = options; option->keyword; ++option)
        if (option->val)
            m_values.append({QString::fromUtf8(option->keyword), QString::fromUtf8(option->val)});
    PQconninfoFree(options);
}

QString ConnectOptions::value(const QString& keyword) const
{
    for (const auto& [key, value] : m_values)
        if (key == keyword)
            return value;
    return {};
}

void ConnectOptions::set(const QString& keyword, const QString& value)
{
    for (auto& entry : m_values)
        if (entry.first == keyword) {
            entry.second = value;
            return;
        }
    m_values.append({keyword, value});
}

void ConnectOptions::remove(const QString& keyword)
{
    m_values.removeIf([&keyword](const QPair<QString, QString>& entry) { return entry.first == keyword; });
}

QList<ConnectOptions::Server> ConnectOptions::servers() const
{
    const QStringList hosts = value(QStringLiteral("host")).split(QLatin1Char(','));
    const QStringList ports = value(QStringLiteral("port")).split(QLatin1Char(','));
    QList<Server> servers;
    for (int i = 0; i < hosts.size(); ++i)
        servers.append({hosts.at(i), ports.size() == 1 ? ports.first() : ports.value(i)});
    return servers;
}

void ConnectOptions::setServers(const QList<Server>& servers)
{
    QStringList hosts, ports;
    for (const Server& server : servers) {
        hosts << server.host;
        ports << server.port;
    }
    set(QStringLiteral("host"), hosts.join(QLatin1Char(',')));
    set(QStringLiteral("port"), ports.join(QLatin1Char(',')));
}

QString ConnectOptions::text() const
{
    QStringList pairs;
    for (const auto& [key, value] : m_values)
        pairs << key + QLatin1Char('=') + quotedOption(value);
    return pairs.join(QLatin1Char(' '));
}

QString quotedOption(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString serverName(const ConnectOptions::Server& server)
{
    const QString port = server.port.isEmpty() ? DefaultPort : server.port;
    return server.host + QLatin1Char(':') + port;
}
