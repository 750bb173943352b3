#include "toolkit/connections.h"

#include "toolkit/connect_options.h"
#include "toolkit/database_error.h"
#include "toolkit/session.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <functional>

#include <libpq-fe.h>

namespace {
// Adds a named connection of a Qt driver, lets `configure` set it up and opens it; a connection
// that does not open is removed again. Throws DatabaseError with the driver's text.
void openNamed(const QString& driver, const QString& connectionName, const std::function<void(QSqlDatabase&)>& configure)
{
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, connectionName);
        configure(db);
        if (Session::open(db))
            return;
        failure = db.lastError().text();
    }
    QSqlDatabase::removeDatabase(connectionName);
    throw DatabaseError(failure, {}, DatabaseError::Lost);
}
}

void openOdbcConnection(const QString& connectionName, const QString& connectionString, const QString& user,
                        const QString& password)
{
    openNamed(QStringLiteral("QODBC"), connectionName, [&](QSqlDatabase& db) {
        db.setDatabaseName(connectionString);
        db.setUserName(user);
        db.setPassword(password);
    });
}

void openServerConnection(const QString& connectionName, const QString& connectionString, const QString& namedLike)
{
    // Qt's PostgreSQL driver hands its connect options to libpq as they stand; the session's
    // settings go with them, so no statement of its own sends them (libpq takes the last of a
    // keyword given twice).
    openNamed(QStringLiteral("QPSQL"), connectionName, [&](QSqlDatabase& db) {
        db.setConnectOptions(connectionString + QLatin1Char(' ') + Session::connectSettings());
    });
    prepareServerSession(connectionName, namedLike);
}

void prepareServerSession(const QString& connectionName, const QString& namedLike)
{
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        try {
            Session::prepare(db, namedLike);
            return;
        } catch (const DatabaseError& e) {
            failure = e.message();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    throw DatabaseError(failure, {}, DatabaseError::Lost);
}

void closeNamedConnection(const QString& connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QStringList serverAnswers(const QString& connectionString)
{
    const ConnectOptions options(connectionString + QLatin1Char(' ') + Session::connectSettings());
    QStringList answers;
    for (const ConnectOptions::Server& server : options.servers()) {
        ConnectOptions one = options;
        one.setServers({server});
        one.remove(QStringLiteral("target_session_attrs"));
        PGconn* connection = PQconnectdb(one.text().toUtf8().constData());
        QString answer;
        if (PQstatus(connection) != CONNECTION_OK) {
            answer = QStringLiteral("не отвечает: ")
                + QString::fromUtf8(PQerrorMessage(connection)).trimmed().section(QLatin1Char('\n'), 0, 0);
        } else {
            PGresult* recovery = PQexec(connection, "select pg_is_in_recovery()");
            const bool standby = PQresultStatus(recovery) == PGRES_TUPLES_OK && PQntuples(recovery) == 1
                && qstrcmp(PQgetvalue(recovery, 0, 0), "t") == 0;
            PQclear(recovery);
            answer = standby ? QStringLiteral("резервный сервер (standby): только чтение, запись не принимает")
                             : QStringLiteral("принимает запись");
        }
        PQfinish(connection);
        answers << serverName(server) + QStringLiteral(" — ") + answer;
    }
    return answers;
}
