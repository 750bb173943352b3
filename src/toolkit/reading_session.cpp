#include "toolkit/reading_session.h"

#include "toolkit/connections.h"
#include "toolkit/session.h"

#include <QSqlDatabase>

namespace {
int opened = 0;
}

ReadingSession::ReadingSession(const QString& connectionName)
    : m_name(connectionName + QStringLiteral(".reading.") + QString::number(++opened))
{
    openServerConnection(m_name, Session::live(connectionName).connectOptions(), connectionName);
}

ReadingSession::~ReadingSession()
{
    closeNamedConnection(m_name);
}
