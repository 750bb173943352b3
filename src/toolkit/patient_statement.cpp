#include "toolkit/patient_statement.h"

#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/session.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

// A lock held while another is tried makes others wait: a try gives it this long, enough for a
// lock a short transaction is about to free.
constexpr qint64 TryMs = 50;

// The server checks a lock wait for deadlocks (and cancels an autovacuum in the way) once it
// has lasted deadlock_timeout; a slice outlasts that.
constexpr qint64 SliceMarginMs = 100;
constexpr qint64 ShortestSliceMs = 1100;

struct SessionWaits {
    QString lockTimeout;
    QString statementTimeout;
    qint64 sliceMs = ShortestSliceMs;
};

SessionWaits sessionWaits(const QString& connectionName)
{
    QSqlQuery query = runStatement(connectionName,
                                   QStringLiteral("select current_setting('lock_timeout'), current_setting('statement_timeout'), "
                                                  "(extract(epoch from current_setting('deadlock_timeout')::interval) * 1000)::bigint"));
    if (!nextRow(query, connectionName))
        throw DatabaseError(QStringLiteral("Сервер БД не сообщил настройки сеанса."), query.lastQuery());
    return {query.value(0).toString(), query.value(1).toString(),
            qMax(ShortestSliceMs, query.value(2).toLongLong() + SliceMarginMs)};
}

void setWaits(const QString& connectionName, const QString& lockTimeout, const QString& statementTimeout)
{
    runStatement(connectionName, QStringLiteral("select set_config('lock_timeout', %1, true), set_config('statement_timeout', %2, true)")
                                     .arg(sqlQuote(lockTimeout), sqlQuote(statementTimeout)));
}

} // namespace

void runPatiently(const QString& connectionName, const QStringList& statements, const std::function<void()>& waiting)
{
    Q_ASSERT(Transaction::isOpen(connectionName));
    const SessionWaits session = sessionWaits(connectionName);
    const qint64 limit = qint64(Session::lockTimeoutSeconds()) * 1000;
    QElapsedTimer waited;
    waited.start();
    // The next statement may wait `longest` for one lock, and no statement outlasts what is left
    // of the limit (a statement waits on each row it meets).
    const auto allow = [&](qint64 longest) {
        const qint64 left = qMax<qint64>(1, limit - waited.elapsed());
        setWaits(connectionName, QStringLiteral("%1ms").arg(qMin(longest, left)), QStringLiteral("%1ms").arg(left));
    };
    const QString savepoint = QStringLiteral("savepoint patient_statement");
    const QString rollback = QStringLiteral("rollback to savepoint patient_statement");
    int lead = 0;   // the statement whose lock the try waits for
    bool told = false;
    for (qint64 slice = TryMs;; slice = session.sliceMs) {
        int at = lead;
        // A failed try must not end the transaction: each runs under its own savepoint.
        runStatement(connectionName, savepoint);
        try {
            if (lead > 0) {   // its lock alone, then let go: it is taken again after the earlier ones'
                allow(slice);
                runStatement(connectionName, statements.at(lead));
                runStatement(connectionName, rollback);
            }
            for (at = 0; at < statements.size(); ++at) {
                allow(at == 0 ? slice : TryMs);
                runStatement(connectionName, statements.at(at));
            }
            runStatement(connectionName, QStringLiteral("release savepoint patient_statement"));
            break;
        } catch (const DatabaseError& e) {
            if (e.kind() != DatabaseError::TimedOut || waited.elapsed() >= limit)
                throw;
            runStatement(connectionName, rollback);
            lead = at;
        }
        if (!told && waiting) {
            told = true;
            waiting();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    setWaits(connectionName, session.lockTimeout, session.statementTimeout);
}
