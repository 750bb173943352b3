#include "toolkit/session.h"

#include "toolkit/connect_options.h"
#include "toolkit/server_notices.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlResult>
#include <QSqlQuery>
#include <QScopeGuard>

#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>

namespace {

const QString NoConnection = QStringLiteral("Нет подключения к базе данных.");

// SQLSTATEs of a session that is gone: connection exceptions (class 08) and the server's
// shutdown or restart (57P01 to 57P03).
bool lostState(const QString& state)
{
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") || state == QLatin1String("57P02")
        || state == QLatin1String("57P03");
}

// libpq's connection behind a driver's handle; none for another driver. Qt 6 names the
// handle's type by the struct behind libpq's typedef.
PGconn* libpqConnection(const QVariant& handle)
{
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}

// libpq's own state of the connection; a socket that failed leaves no SQLSTATE behind.
bool libpqConnectionBad(const QVariant& handle)
{
    PGconn* connection = libpqConnection(handle);
    return connection && PQstatus(connection) == CONNECTION_BAD;
}

// An ODBC target (the import's data source): psqlODBC marks its connection dead once the
// socket failed; its texts cover the reports that come before it notices.
bool odbcConnectionDead(const QVariant& handle, const QSqlError& error)
{
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
    return false;
}

bool connectionDead(QSqlDatabase& db, const QSqlError& error)
{
    const QVariant handle = db.driver()->handle();
    return lostState(error.nativeErrorCode().toUpper()) || libpqConnectionBad(handle) || odbcConnectionDead(handle, error);
}

// A lock not granted within lock_timeout, or a statement cancelled.
bool timedOut(const QSqlError& error)
{
    const QString state = error.nativeErrorCode().toUpper();
    if (state == QLatin1String("55P03") || state == QLatin1String("57014"))
        return true;
    const QString text = error.text().toLower();
    return text.contains(QLatin1String("55p03")) || text.contains(QLatin1String("57014"))
        || text.contains(QLatin1String("lock timeout")) || text.contains(QLatin1String("statement timeout"));
}

QString driverText(const QSqlError& error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text() : text;
}

// The SQLSTATE of a failed query: QPSQL gives it as the native code; psqlODBC keeps it in the
// statement's diagnostics, which Qt's ODBC driver does not pass on.
QString sqlState(const QSqlQuery& query)
{
    const QString code = query.lastError().nativeErrorCode();
    if (code.size() == 5)
        return code;
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return {};
    SQLHSTMT statement = *static_cast<SQLHANDLE const*>(handle.data());
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!statement || !SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, statement, 1, state, &native, nullptr, 0, &length)))
        return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(state));
}

// SQLSTATE class TB: a rule of this system's database refused the statement (a closed month),
// with a message written for the user.
bool ruleRefusal(const QString& state)
{
    return state.startsWith(QLatin1String("TB"));
}

// The server's own sentence out of the driver's report: its first line without the severity
// and the driver's trailing ";".
QString serverSentence(const QSqlError& error)
{
    QString text = driverText(error).section(QLatin1Char('\n'), 0, 0).trimmed();
    static const QRegularExpression severity(QStringLiteral("^[^:]*?\\b(ERROR|ОШИБКА|FATAL|ВАЖНО)\\b:\\s*"));
    text.remove(severity);
    while (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    return text.trimmed();
}

// The naming statements of each connection, put on whenever its session is prepared.
QHash<QString, QString>& clientNames()
{
    static QHash<QString, QString> names;
    return names;
}

// Statements each connection's session still needs, in groups that go together; they travel
// with its next statement.
QHash<QString, QList<QStringList>>& leadingStatements()
{
    static QHash<QString, QList<QStringList>> waiting;
    return waiting;
}

} // namespace

namespace Session {

namespace {
int positiveSetting(const char* variable, int unset)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(variable, &ok);
    return ok && value > 0 ? value : unset;
}
}

int lockTimeoutSeconds()
{
    return positiveSetting("TABEL_LOCK_TIMEOUT", 30);
}

int standbyMaxLagSeconds()
{
    return positiveSetting("TABEL_STANDBY_MAX_LAG", 60);
}

int connectTimeoutSeconds()
{
    return positiveSetting("TABEL_CONNECT_TIMEOUT", 5);
}

namespace {
struct Setting {
    QString name;
    QString value;
};

QList<Setting> sessionSettings()
{
    return {{QStringLiteral("DateStyle"), QStringLiteral("ISO, DMY")},
            {QStringLiteral("standard_conforming_strings"), QStringLiteral("on")},
            {QStringLiteral("lock_timeout"), QStringLiteral("%1s").arg(lockTimeoutSeconds())},
            {QStringLiteral("default_transaction_read_only"), QStringLiteral("off")},
            {QStringLiteral("default_transaction_isolation"), QStringLiteral("read committed")},
            {QStringLiteral("statement_timeout"), QStringLiteral("0")},
            {QStringLiteral("idle_in_transaction_session_timeout"), QStringLiteral("0")},
            {QStringLiteral("idle_session_timeout"), QStringLiteral("0")}};
}
}

QStringList settingStatements()
{
    QStringList statements;
    for (const Setting& setting : sessionSettings())
        statements << QStringLiteral("set %1 to %2").arg(setting.name, sqlQuote(setting.value));
    return statements;
}

QString connectSettings()
{
    // The server splits the options at blanks, so a blank inside a value is escaped; inside
    // the quoted keyword value libpq reads a backslash escaped once more.
    QStringList options;
    for (const Setting& setting : sessionSettings())
        options << QStringLiteral("-c ") + setting.name + QLatin1Char('=')
                       + QString(setting.value).replace(QLatin1Char(' '), QLatin1String("\\\\ "));
    const int timeout = connectTimeoutSeconds();
    return QStringLiteral("connect_timeout=%1 keepalives=1 keepalives_idle=%1 keepalives_interval=1 keepalives_count=%1 "
                          "tcp_user_timeout=%2 options='%3'")
        .arg(timeout)
        .arg(timeout * 1000)
        .arg(options.join(QLatin1Char(' ')));
}

void prepare(QSqlDatabase& db, const QString& namedLike)
{
    // libpq put the settings on at connect (connectSettings()); another driver's session gets
    // them here.
    if (!libpqConnection(db.driver()->handle())) {
        QSqlQuery query(db);
        for (const QString& statement : settingStatements())
            if (!query.exec(statement))
                throw failure(db, query.lastError(), statement);
    }
    leadingStatements().remove(db.connectionName());
    const QString named = namedLike.isEmpty() ? db.connectionName() : namedLike;
    if (clientNames().contains(named))
        sendWithNext(db.connectionName(), {clientNames().value(named)});
    ServerNotices::attachAll(db);
}

void nameClient(const QString& connectionName, const QString& name, const QString& asciiName)
{
    const QString statement = QStringLiteral("select set_config('application_name', %1, false), set_config('tabel.client', %2, false)")
                                  .arg(sqlQuote(asciiName), sqlQuote(name));
    clientNames().insert(connectionName, statement);
    live(connectionName);
    sendWithNext(connectionName, {statement});
}

void sendWithNext(const QString& connectionName, const QStringList& statements)
{
    QList<QStringList>& waiting = leadingStatements()[connectionName];
    if (!waiting.contains(statements))
        waiting.append(statements);
}

QStringList takeLeading(const QString& connectionName)
{
    // Inside a transaction they would be undone with it.
    if (Transaction::isOpen(connectionName))
        return {};
    QStringList statements;
    for (const QStringList& group : leadingStatements().take(connectionName))
        statements << group;
    return statements;
}

void sendLeading(QSqlDatabase& db)
{
    const QStringList statements = takeLeading(db.connectionName());
    if (statements.isEmpty())
        return;
    const QString text = statements.join(QLatin1String(";\n"));
    QSqlQuery query(db);
    if (!query.exec(text)) {
        putBackLeading(db.connectionName(), statements);
        throw failure(db, query, text);
    }
}

void putBackLeading(const QString& connectionName, const QStringList& statements)
{
    // What failed with them goes first next time, as one group.
    if (!statements.isEmpty())
        leadingStatements()[connectionName].prepend(statements);
}

namespace {
QSet<QString>& opening()
{
    static QSet<QString> names;
    return names;
}
}

bool open(QSqlDatabase& db)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (db.driverName() != QLatin1String("QPSQL") || !application || QThread::currentThread() != application->thread())
        return db.open();
    // libpq's connect blocks its thread; the driver is left alone meanwhile (no statement, no
    // notifier: the connection is closed), so it may open on another.
    const QString name = db.connectionName();
    ServerNotices::detachAll(name);   // the event loop runs meanwhile
    opening().insert(name);
    const auto done = qScopeGuard([&name] { opening().remove(name); });
    bool opened = false;
    QEventLoop wait;
    QThread* connecting = QThread::create([&db, &opened] { opened = db.open(); });
    QObject::connect(connecting, &QThread::finished, &wait, &QEventLoop::quit, Qt::QueuedConnection);
    connecting->start();
    // A server that answers at once is waited for as it always was; one that keeps the
    // connection waiting longer than anyone notices lets the window go on.
    if (!connecting->wait(QDeadlineTimer(250)))
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    connecting->wait();
    delete connecting;
    return opened;
}

bool isOpening(const QString& connectionName)
{
    return opening().contains(connectionName);
}

QString optionsOnSameServer(const QString& connectionName)
{
    QSqlDatabase db = live(connectionName);
    PGconn* connection = libpqConnection(db.driver()->handle());
    if (!connection || PQstatus(connection) != CONNECTION_OK)
        return db.connectOptions();
    ConnectOptions options(db.connectOptions());
    options.setServers({{QString::fromUtf8(PQhost(connection)), QString::fromUtf8(PQport(connection))}});
    options.remove(QStringLiteral("target_session_attrs"));
    return options.text();
}

Channel channel(const QString& connectionName)
{
    PGconn* connection = libpqConnection(live(connectionName).driver()->handle());
    if (connection && PQsslInUse(connection))
        return Channel::Encrypted;
    // libpq names a socket by its folder (or an abstract name beginning with "@").
    const QString host = connection ? QString::fromUtf8(PQhost(connection)) : QString();
    if (host.startsWith(QLatin1Char('/')) || host.startsWith(QLatin1Char('@')))
        return Channel::LocalSocket;
    return Channel::Plain;
}

QSqlDatabase live(const QString& connectionName, Leading leading)
{
    if (!QSqlDatabase::contains(connectionName) || isOpening(connectionName))
        throw DatabaseError(NoConnection, {}, DatabaseError::Lost);
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isOpen()) {
        if (Transaction::isOpen(connectionName) || !open(db))
            throw DatabaseError(db.lastError().text().isEmpty() ? NoConnection : db.lastError().text(), {}, DatabaseError::Lost);
        prepare(db);
    }
    if (leading == Leading::SendNow)
        sendLeading(db);
    return db;
}

void cancelStatement(const QString& connectionName)
{
    PGconn* connection = libpqConnection(QSqlDatabase::database(connectionName, false).driver()->handle());
    if (!connection)
        return;
    if (PGcancel* request = PQgetCancel(connection)) {
        char error[256];
        PQcancel(request, error, sizeof error);   // a statement already over is left as it is
        PQfreeCancel(request);
    }
}

DatabaseError failure(QSqlDatabase& db, const QSqlQuery& query, const QString& statement)
{
    const QSqlError error = query.lastError();
    if (ruleRefusal(sqlState(query)) && !connectionDead(db, error))
        return DatabaseError(serverSentence(error), statement, DatabaseError::Rule);
    return failure(db, error, statement);
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
