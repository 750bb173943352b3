#pragma once

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QStringList>

class QSocketNotifier;

// What the server announces on named channels (LISTEN/NOTIFY) to a named connection, from
// sessions other than this connection's own: the program re-reads after its own writes
// anyway. The channels are listened on again whenever the connection is (re)opened; the
// LISTEN travels with the connection's next statement rather than in round trips of its own.
class ServerNotices : public QObject {
    Q_OBJECT
public:
    ServerNotices(const QString& connectionName, const QStringList& channels, QObject* parent = nullptr);
    ~ServerNotices() override;

    // Listens on the channels of every ServerNotices of the connection; the session calls it
    // after it opened or reopened one.
    static void attachAll(QSqlDatabase& db);
    // Stops watching the socket of a connection that closed (the socket is gone with it) until
    // attachAll() is called for it again.
    static void detachAll(const QString& connectionName);
    // A statement's answer may have brought announcements along: they are taken in once the
    // program is back in its event loop.
    static void readSoon(const QString& connectionName);

signals:
    void notice(const QString& channel, const QString& payload);
    // The connection was opened again after it was lost (perhaps on another server, after a
    // failover): whatever was announced meanwhile never arrived.
    void resumed();

private:
    void attach(QSqlDatabase& db);
    void scheduleRead();
    void readArrived();

    QString m_connection;
    QStringList m_channels;
    bool m_attached = false;
    bool m_readScheduled = false;
    QPointer<QSocketNotifier> m_socket;
};
