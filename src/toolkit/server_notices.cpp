#include "toolkit/server_notices.h"

#include <QSqlDriver>
#include <QVariant>
#include <utility>

namespace {
QList<ServerNotices*>& everyListener()
{
    static QList<ServerNotices*> listeners;
    return listeners;
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

void ServerNotices::attach(QSqlDatabase& db)
{
    QSqlDriver* driver = db.driver();
    if (!driver->hasFeature(QSqlDriver::EventNotifications))
        return;
    for (const QString& channel : m_channels)
        if (!driver->subscribedToNotifications().contains(channel))
            driver->subscribeToNotification(channel);
    connect(driver, &QSqlDriver::notification, this, &ServerNotices::onNotification, Qt::UniqueConnection);
    if (std::exchange(m_attached, true))
        emit resumed();
}

void ServerNotices::onNotification(const QString& channel, QSqlDriver::NotificationSource source, const QVariant& payload)
{
    if (source != QSqlDriver::SelfSource && m_channels.contains(channel))
        emit notice(channel, payload.toString());
}
