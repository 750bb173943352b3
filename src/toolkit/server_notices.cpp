#include "toolkit/server_notices.h"

#include "toolkit/session.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>
#include <utility>

namespace {
QList<ServerNotices*>& everyListener()
{
    static QList<ServerNotices*> listeners;
    return listeners;
}

// libpq's connection behind a QPSQL connection; none for another driver or a closed one.
PGconn* libpqOf(const QString& connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return nullptr;
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isOpen())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}
}

ServerNotices::ServerNotices(const QString& connectionName, const QStringList& channels, QObject* parent)
    : QObject(parent), m_connection(connectionName), m_channels(channels)
{
    everyListener() << this;
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (db.isOpen())
        attach(db);
}

ServerNotices::~ServerNotices()
{
    everyListener().removeOne(this);
}

void ServerNotices::attachAll(QSqlDatabase& db)
{
    for (ServerNotices* listener : everyListener())
        if (listener->m_connection == db.connectionName())
            listener->attach(db);
}

void ServerNotices::detachAll(const QString& connectionName)
{
    for (ServerNotices* listener : everyListener())
        if (listener->m_connection == connectionName)
            delete listener->m_socket;
}

void ServerNotices::readSoon(const QString& connectionName)
{
    for (ServerNotices* listener : everyListener())
        if (listener->m_connection == connectionName && listener->m_attached)
            listener->scheduleRead();
}

void ServerNotices::attach(QSqlDatabase& db)
{
    PGconn* connection = libpqOf(db.connectionName());
    if (!connection)
        return;
    // Committed before the statement they go with: a LISTEN counts from its commit on, and the
    // lists read after it must not miss a change.
    QStringList listens{QStringLiteral("begin")};
    for (const QString& channel : std::as_const(m_channels))
        listens << QStringLiteral("listen ") + channel;
    Session::sendWithNext(m_connection, listens << QStringLiteral("commit"));
    // A reopened connection has a socket of its own.
    delete m_socket;
    m_socket = new QSocketNotifier(PQsocket(connection), QSocketNotifier::Read, this);
    connect(m_socket, &QSocketNotifier::activated, this, &ServerNotices::readArrived);
    if (std::exchange(m_attached, true))
        emit resumed();
}

void ServerNotices::scheduleRead()
{
    if (std::exchange(m_readScheduled, true))
        return;
    QMetaObject::invokeMethod(this, &ServerNotices::readArrived, Qt::QueuedConnection);
}

void ServerNotices::readArrived()
{
    m_readScheduled = false;
    PGconn* connection = libpqOf(m_connection);
    // Between statements only: a statement under way reads its own answer.
    if (!connection) {
        if (m_socket)
            m_socket->setEnabled(false);   // the connection closed: its socket is gone
        return;
    }
    if (PQisBusy(connection) || PQtransactionStatus(connection) == PQTRANS_ACTIVE)
        return;
    if (!PQconsumeInput(connection) && PQstatus(connection) == CONNECTION_BAD) {
        delete m_socket;   // the server went: libpq closed the socket, the next statement opens anew
        return;
    }
    const int own = PQbackendPID(connection);
    while (PGnotify* n = PQnotifies(connection)) {
        const QString channel = QString::fromUtf8(n->relname);
        const QString payload = QString::fromUtf8(n->extra);
        const bool others = n->be_pid != own;
        PQfreemem(n);
        if (others && m_channels.contains(channel))
            emit notice(channel, payload);
    }
}
