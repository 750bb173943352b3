#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QStringList>

// What the server announces on named channels (LISTEN/NOTIFY) to a named connection, from
// sessions other than this connection's own: the program re-reads after its own writes
// anyway. The channels are listened on again whenever the connection is (re)opened.
class ServerNotices : public QObject {
    Q_OBJECT
public:
    ServerNotices(const QString& connectionName, const QStringList& channels, QObject* parent = nullptr);
    ~ServerNotices() override;

    // Listens on the channels of every ServerNotices of the connection; the session calls it
    // after it opened or reopened one.
    static void attachAll(QSqlDatabase& db);

signals:
    void notice(const QString& channel, const QString& payload);
    // The connection was opened again after it was lost (perhaps on another server, after a
    // failover): whatever was announced meanwhile never arrived.
    void resumed();

private:
    void attach(QSqlDatabase& db);
    void onNotification(const QString& channel, QSqlDriver::NotificationSource source, const QVariant& payload);

    QString m_connection;
    QStringList m_channels;
    bool m_attached = false;
};
