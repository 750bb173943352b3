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

QString waitsStatement(const QString& lockTimeout, const QString& statementTimeout)
{
    return QStringLiteral("select set_config('lock_timeout', %1, true), set_config('statement_timeout', %2, true)")
        .arg(sqlQuote(lockTimeout), sqlQuote(statementTimeout));
}

// Runs statements in one round trip (a multi-statement query stops at the first that fails);
// `failed` names the one whose error is thrown.
void runTogether(const QString& connectionName, const QStringList& statements, int& failed)
{
    failed = 0;
    QSqlQuery query = runStatement(connectionName, statements.join(QLatin1String(";\n")));
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    for (failed = 1; failed < statements.size(); ++failed)
        if (!query.nextResult())
            throw Session::failure(db, query, statements.at(failed));
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
        return waitsStatement(QStringLiteral("%1ms").arg(qMin(longest, left)), QStringLiteral("%1ms").arg(left));
    };
    const QString rollback = QStringLiteral("rollback to savepoint patient_statement");
    int lead = 0;   // the statement whose lock the try waits for
    bool told = false;
    for (qint64 slice = TryMs;; slice = session.sliceMs) {
        // A try travels as one round trip. A failed try must not end the transaction: each runs
        // under its own savepoint.
        QStringList attempt{QStringLiteral("savepoint patient_statement")};
        QList<int> tried{-1};   // the index in `statements` of each entry of the attempt, else -1
        if (lead > 0) {   // its lock alone, then let go: it is taken again after the earlier ones'
            attempt << allow(slice) << statements.at(lead) << rollback;
            tried << -1 << lead << -1;
        }
        for (int at = 0; at < statements.size(); ++at) {
            attempt << allow(at == 0 ? slice : TryMs) << statements.at(at);
            tried << -1 << at;
        }
        // The session's own waits again for what follows in the transaction.
        attempt << QStringLiteral("release savepoint patient_statement")
                << waitsStatement(session.lockTimeout, session.statementTimeout);
        int failed = 0;
        try {
            runTogether(connectionName, attempt, failed);
            return;
        } catch (const DatabaseError& e) {
            if (e.kind() != DatabaseError::TimedOut || waited.elapsed() >= limit || tried.value(failed, -1) < 0)
                throw;
            runStatement(connectionName, rollback);
            lead = tried.at(failed);
        }
        if (!told && waiting) {
            told = true;
            waiting();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}
