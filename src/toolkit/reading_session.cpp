#include "toolkit/reading_session.h"

#include "toolkit/session.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace {
int opened = 0;
}

ReadingSession::ReadingSession(const QString& connectionName)
    : m_name(connectionName + QStringLiteral(".reading.") + QString::number(++opened))
{
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(Session::live(connectionName), m_name);
        if (db.open()) {
            try {
                Session::prepare(db, connectionName);
                return;
            } catch (const DatabaseError& e) {
                failure = e.message();
            }
        } else {
            failure = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    throw DatabaseError(failure, {}, DatabaseError::Lost);
}

ReadingSession::~ReadingSession()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}
