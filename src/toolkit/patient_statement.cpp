#include "toolkit/patient_statement.h"

#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/session.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

// Long enough for a lock freed by a short transaction to be taken in one try, short enough for
// the window to repaint between tries.
const char* TryTimeout = "100ms";

} // namespace

void runPatiently(const QString& connectionName, const QString& statement, const std::function<void()>& waiting)
{
    Q_ASSERT(Transaction::isOpen(connectionName));
    QSqlQuery setting = runStatement(connectionName, QStringLiteral("select current_setting('lock_timeout')"));
    const QString sessionTimeout = setting.next() ? setting.value(0).toString() : QString();
    // A failed try must not end the transaction: each runs under its own savepoint.
    runStatement(connectionName, QStringLiteral("set local lock_timeout to '%1'").arg(QLatin1String(TryTimeout)));
    QElapsedTimer waited;
    waited.start();
    const qint64 limit = qint64(Session::lockTimeoutSeconds()) * 1000;
    bool told = false;
    for (;;) {
        runStatement(connectionName, QStringLiteral("savepoint patient_statement"));
        try {
            runStatement(connectionName, statement);
            runStatement(connectionName, QStringLiteral("release savepoint patient_statement"));
            break;
        } catch (const DatabaseError& e) {
            if (e.kind() != DatabaseError::TimedOut || waited.elapsed() >= limit)
                throw;
            runStatement(connectionName, QStringLiteral("rollback to savepoint patient_statement"));
        }
        if (!told && waiting) {
            told = true;
            waiting();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    runStatement(connectionName, QStringLiteral("set local lock_timeout to ") + sqlQuote(sessionTimeout));
}
