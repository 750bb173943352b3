#include "toolkit/transaction.h"

#include "toolkit/database_error.h"
#include "toolkit/server_notices.h"
#include "toolkit/session.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>

namespace {
// Open transactions per connection; only the outermost one talks to the server.
QHash<QString, int>& depths()
{
    static QHash<QString, int> open;
    return open;
}

}

Transaction::Transaction(const QString& connectionName) : m_connection(connectionName)
{
    int& depth = depths()[m_connection];
    if (depth == 0) {
        QSqlDatabase db = Session::live(m_connection);
        if (!db.transaction())
            throw Session::failure(db, db.lastError(), QStringLiteral("begin"));
        m_outermost = true;
    }
    ++depth;
}

Transaction::~Transaction()
{
    --depths()[m_connection];
    if (m_outermost && !m_done) {
        QSqlDatabase::database(m_connection, false).rollback();
        ServerNotices::readSoon(m_connection);
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (!m_outermost)
        return;
    QSqlDatabase db = Session::live(m_connection);
    if (!db.commit()) {
        const DatabaseError error = Session::failure(db, db.lastError(), QStringLiteral("commit"));
        db.rollback();
        throw error;
    }
    ServerNotices::readSoon(m_connection);
}

bool Transaction::isOpen(const QString& connectionName)
{
    return depths().value(connectionName) > 0;
}
