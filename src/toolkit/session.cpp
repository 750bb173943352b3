#include "toolkit/session.h"

#include "toolkit/transaction.h"

#include <QSqlDriver>
#include <QSqlQuery>

#include <sql.h>
#include <sqlext.h>

namespace {

const QString NoConnection = QStringLiteral("Нет подключения к базе данных.");

// psqlODBC marks its connection dead once the socket failed; the texts cover the reports that
// come before it notices (a server that ended the session, a refused reconnect).
bool connectionDead(QSqlDatabase& db, const QSqlError& error)
{
    const QVariant handle = db.driver()->handle();
    if (handle.metaType() == QMetaType::fromType<SQLHANDLE>()) {
        SQLHDBC hdbc = *static_cast<SQLHDBC const*>(handle.data());
        SQLUINTEGER dead = SQL_CD_FALSE;
        if (hdbc && SQL_SUCCEEDED(SQLGetConnectAttr(hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE)
            return true;
    }
    const QString text = error.text().toLower();
    for (const char* sign : {"08s01", "08001", "08003", "08006", "57p01", "connection lost", "could not send",
                             "could not receive", "server closed the connection", "no connection to the server",
                             "terminating connection", "connection dead", "communication"})
        if (text.contains(QLatin1String(sign)))
            return true;
    const QString code = error.nativeErrorCode().toLower();
    return code.startsWith(QLatin1String("08")) || code == QLatin1String("57p01");
}

bool timedOut(const QSqlError& error)
{
    const QString text = error.text().toLower();
    return text.contains(QLatin1String("55p03")) || text.contains(QLatin1String("57014"))
        || text.contains(QLatin1String("lock timeout")) || text.contains(QLatin1String("statement timeout"))
        || error.nativeErrorCode() == QLatin1String("55P03") || error.nativeErrorCode() == QLatin1String("57014");
}

QString driverText(const QSqlError& error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text() : text;
}

} // namespace

namespace Session {

int lockTimeoutSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TABEL_LOCK_TIMEOUT", &ok);
    return ok && seconds > 0 ? seconds : 30;
}

QStringList settingStatements()
{
    return {QStringLiteral("set DateStyle to 'ISO, DMY'"), QStringLiteral("set standard_conforming_strings to on"),
            QStringLiteral("set lock_timeout to '%1s'").arg(lockTimeoutSeconds())};
}

void prepare(QSqlDatabase& db)
{
    QSqlQuery query(db);
    for (const QString& statement : settingStatements())
        if (!query.exec(statement))
            throw failure(db, query.lastError(), statement);
}

QSqlDatabase live(const QString& connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        throw DatabaseError(NoConnection, {}, DatabaseError::Lost);
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (db.isOpen())
        return db;
    if (Transaction::isOpen(connectionName) || !db.open())
        throw DatabaseError(db.lastError().text().isEmpty() ? NoConnection : db.lastError().text(), {}, DatabaseError::Lost);
    prepare(db);
    return db;
}

DatabaseError failure(QSqlDatabase& db, const QSqlError& error, const QString& statement)
{
    if (connectionDead(db, error)) {
        db.close();
        return DatabaseError(driverText(error), statement, DatabaseError::Lost);
    }
    return DatabaseError(driverText(error), statement, timedOut(error) ? DatabaseError::TimedOut : DatabaseError::Refused);
}

} // namespace Session
