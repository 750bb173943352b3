#include "toolkit/transaction.h"

#include "toolkit/database_error.h"

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

QSqlDatabase database(const QString& connectionName)
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isOpen())
        throw DatabaseError(QStringLiteral("Нет подключения к базе данных."));
    return db;
}
}

Transaction::Transaction(const QString& connectionName) : m_connection(connectionName)
{
    int& depth = depths()[m_connection];
    if (depth == 0) {
        QSqlDatabase db = database(m_connection);
        if (!db.transaction())
            throw DatabaseError(db.lastError().text(), QStringLiteral("begin"));
        m_outermost = true;
    }
    ++depth;
}

Transaction::~Transaction()
{
    --depths()[m_connection];
    if (m_outermost && !m_done)
        QSqlDatabase::database(m_connection, false).rollback();
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (!m_outermost)
        return;
    QSqlDatabase db = database(m_connection);
    if (!db.commit()) {
        const QString text = db.lastError().text();
        db.rollback();
        throw DatabaseError(text, QStringLiteral("commit"));
    }
}

bool Transaction::isOpen(const QString& connectionName)
{
    return depths().value(connectionName) > 0;
}
