#pragma once

#include <QList>
#include <QPair>
#include <QString>

// libpq connect options read as libpq reads them (PQconninfoParse), changed keyword by keyword
// and written out again.
class ConnectOptions {
public:
    struct Server {
        QString host;   // a name, an address or a socket folder
        QString port;
    };

    // Options libpq cannot read count as none.
    explicit ConnectOptions(const QString& text);

    QString value(const QString& keyword) const;
    void set(const QString& keyword, const QString& value);
    void remove(const QString& keyword);

    // The servers named, in order (a port given once serves them all).
    QList<Server> servers() const;
    void setServers(const QList<Server>& servers);

    QString text() const;

private:
    QList<QPair<QString, QString>> m_values;
};

// A value between single quotes, as libpq reads it.
QString quotedOption(QString value);

// The port libpq takes when none is named.
inline const QString DefaultPort = QStringLiteral("5432");

// "db1:5432", "/run/postgresql:5432": the server as a person names it.
QString serverName(const ConnectOptions::Server& server);
