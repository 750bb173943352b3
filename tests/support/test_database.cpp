#include "support/test_database.h"

#include "app/sign_in_wiring.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/connections.h"
#include "toolkit/session.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <unistd.h>

namespace {

QString& dbName() { static QString s; return s; }
QString& host() { static QString s; return s; }

void adminExec(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery q(db);
    if (!q.exec(statement))
        qFatal("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
}

QSqlQuery run(const QString& statement)
{
    QSqlQuery q(Session::live(QLatin1String(TDataModule6::ConnectionName)));
    if (!q.exec(statement))
        throw std::runtime_error((statement + QLatin1String("\n") + q.lastError().text()).toStdString());
    return q;
}

// psql on the test database, stopping at the first error, running a file ("-": standard input).
QStringList psqlArguments(const QString& file, const QString& login = QStringLiteral("sys"))
{
    return {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
            QStringLiteral("-h"), host(), QStringLiteral("-U"), login,
            QStringLiteral("-d"), dbName(), QStringLiteral("-f"), file};
}

// The cluster's superuser, who made it (scripts/pg-start) and signs in without a password.
QString superuserOptions(const QString& database)
{
    return QStringLiteral("host='%1' port=5432 dbname='%2' user=postgres").arg(host(), database);
}

// Runs statements on a session of the cluster's superuser, opened for the call (the cluster may
// have been restarted since the last). A statement that waits on the program's own connection
// fails rather than hangs.
void runAsSuperuser(const QStringList& statements)
{
    const QString name = QStringLiteral("superuser");
    const auto closeAfter = qScopeGuard([name] { closeNamedConnection(name); });
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setConnectOptions(superuserOptions(dbName()));
    if (!db.open())
        throw std::runtime_error(("the test database as its superuser: " + db.lastError().text()).toStdString());
    QSqlQuery q(db);
    for (const QString& statement : QStringList{QStringLiteral("set lock_timeout = '20s'")} + statements)
        if (!q.exec(statement))
            throw std::runtime_error((statement + QLatin1String("\n") + q.lastError().text()).toStdString());
}

} // namespace

void TestDb::setUp()
{
    const QString state = qEnvironmentVariable("TABEL_TEST_PGHOST");
    QFile hostFile(state + QLatin1String("/host"));
    if (state.isEmpty() || !hostFile.open(QIODevice::ReadOnly))
        qFatal("no private database cluster: run through ctest (TABEL_TEST_PGHOST=%s)", qPrintable(state));
    host() = QString::fromUtf8(hostFile.readAll()).trimmed();
    dbName() = qEnvironmentVariable("TABEL_TEST_DB", QStringLiteral("tst")).toLower();

    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        admin.setConnectOptions(superuserOptions(QStringLiteral("postgres")));
        if (!admin.open())
            qFatal("cannot reach the private cluster: %s", qPrintable(admin.lastError().text()));
        adminExec(admin, QStringLiteral("drop database if exists %1").arg(dbName()));
        adminExec(admin, QStringLiteral("create database %1 template kemra_erp owner tabel_owner").arg(dbName()));
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    DataModule6 = new TDataModule6;
    DataModule6->openConnection(connectionString(dbName(), host()));
    // As at start-up: tests that make their own sign-in window see it hand over to the journal.
    wireSignIn();
}

void TestDb::useCluster(const QString& cluster, const QString& database)
{
    host() = cluster;
    dbName() = database;
}

void TestDb::tearDown()
{
    delete DataModule6;
    DataModule6 = nullptr;
}

void TestDb::resetData()
{
    for (Dataset* set : DataModule6->findChildren<Dataset*>())
        set->close();
    // As the superuser with the triggers off: no rule refuses it (the owner's own guards, closed
    // months), and no announcement of it reaches the program's connection once the test began.
    runAsSuperuser({QStringLiteral("set session_replication_role = replica"),
                    QStringLiteral(
        "DO $$ DECLARE r record; BEGIN "
        "FOR r IN SELECT schemaname, tablename FROM pg_tables WHERE schemaname IN "
        "('accounts_dep','cmn_contractor','cmn_gds_and_srv','cmn_classifier','cmn_department','hrms_staffpos','adm_role') "
        "AND tablename NOT IN ('absence_code', 'closing_stamp') "
        "LOOP EXECUTE format('truncate %I.%I restart identity cascade', r.schemaname, r.tablename); END LOOP; END $$"),
                    // writers only raise the build stamp, through the server's function
                    QStringLiteral("insert into accounts_dep.ver (d, t, delim) values (0, 0, '.')")});
    run(QStringLiteral("insert into accounts_dep.organisation default values"));
}

void TestDb::exec(const QString& statement)
{
    run(statement);
}

void TestDb::execAsOwner(const QString& statement)
{
    // The owner role logs in for nobody: the superuser takes it on.
    runAsSuperuser({QStringLiteral("set role tabel_owner"), statement});
}

void TestDb::execAsSuperuser(const QString& statement)
{
    runAsSuperuser({statement});
}

QSqlDatabase TestDb::openClient(const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setConnectOptions(connectionString(dbName(), host()));
    if (!db.open())
        qFatal("%s: %s", qPrintable(name), qPrintable(db.lastError().text()));
    return db;
}

void TestDb::closeClient(const QString& name)
{
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

void TestDb::createLogin(const QString& login, const QString& password, const QString& group)
{
    // Two test programs may make the same login at once: the loser's duplicate is no error.
    runAsSuperuser({QStringLiteral("do $$ begin create role %1 login password '%2' in role %3; "
                                   "exception when duplicate_object or unique_violation then null; end $$")
                        .arg(login, password, group)});
}

QVariant TestDb::scalar(const QString& statement)
{
    QSqlQuery q = run(statement);
    return q.next() ? q.value(0) : QVariant();
}

void TestDb::runScript(const QString& path)
{
    QProcess psql;
    psql.setProcessChannelMode(QProcess::MergedChannels);
    psql.start(QStringLiteral("psql"), psqlArguments(path));
    if (!psql.waitForFinished(120000) || psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0)
        throw std::runtime_error((path + QLatin1String(": ") + QString::fromUtf8(psql.readAll())).toStdString());
}

std::unique_ptr<QProcess> TestDb::startScript(const QString& script, const QString& login, const QString& password)
{
    auto psql = std::make_unique<QProcess>();
    psql->setProcessChannelMode(QProcess::MergedChannels);
    if (!password.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PGPASSWORD"), password);
        psql->setProcessEnvironment(environment);
    }
    psql->start(QStringLiteral("psql"), psqlArguments(QStringLiteral("-"), login));
    if (!psql->waitForStarted())
        throw std::runtime_error("psql did not start");
    psql->write(script.toUtf8());
    // Now, not whenever the caller next runs an event loop: a second script started while the
    // first is waited for must run alongside it.
    psql->waitForBytesWritten(-1);
    psql->closeWriteChannel();
    return psql;
}

// pg_ctl as the user that owns the clusters scripts/pg-start makes.
void TestDb::pgCtl(const QString& dataFolder, const QStringList& arguments)
{
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    if (versions.isEmpty())
        throw std::runtime_error("no PostgreSQL server programs in /usr/lib/postgresql");
    const QString pgCtlPath = QStringLiteral("/usr/lib/postgresql/%1/bin/pg_ctl").arg(versions.last());
    QStringList command = QStringList{pgCtlPath, QStringLiteral("-D"), dataFolder} + arguments;
    if (geteuid() == 0)
        command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} + command;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(("pg_ctl " + arguments.join(' ') + ": " + QString::fromUtf8(process.readAll())).toStdString());
}

namespace {
// On the shared cluster.
void sharedPgCtl(const QStringList& arguments)
{
    TestDb::pgCtl(host() + QLatin1String("/data"), arguments);
}
}

void TestDb::stopServer()
{
    sharedPgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
}

void TestDb::startServer()
{
    sharedPgCtl({QStringLiteral("-l"), host() + QLatin1String("/server.log"), QStringLiteral("-w"), QStringLiteral("start")});
}

ServerOutage::~ServerOutage()
{
    try {
        end();
    } catch (const std::exception& e) {
        qCritical("the private cluster did not start again: %s", e.what());
    }
}

void ServerOutage::end()
{
    if (m_over)
        return;
    m_over = true;
    TestDb::startServer();
}

QString TestDb::databaseName() { return dbName(); }
QString TestDb::serverAddress() { return host(); }

MessageLog::MessageLog()
{
    MessageBox::setPresenter([this](const MessageBox::Shown& shown) {
        m_shown << shown;
        if (shown.icon != MessageBox::Icon::Question)
            return true;
        return m_answers.isEmpty() ? true : m_answers.takeFirst();
    });
}

MessageLog::~MessageLog()
{
    MessageBox::setPresenter({});
}

QStringList MessageLog::texts() const
{
    QStringList out;
    for (const auto& s : m_shown)
        out << s.text;
    return out;
}

void useHomeFolder(const QString& path)
{
    qputenv("HOME", QFile::encodeName(path));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path + QLatin1String("/.config")));
}
