#include "core/build_stamp.h"
#include "core/command_line.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "core/roles.h"
#include "core/sign_in_window.h"
#include "core/version_check.h"
#include "app/start_connection.h"
#include "toolkit/connect_options.h"
#include "toolkit/session.h"
#include "toolkit/connections.h"
#include "toolkit/database_error.h"
#include "toolkit/transaction.h"
#include "journal/journal_window.h"
#include "reports/reports_window.h"
#include "support/test_database.h"

#include <QAction>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>

// Start-up pieces: the connection string, the build stamp and the version check, the data
// module's two services, and the sign-in with its roles.
class TestCore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void connectionString_data();
    void connectionString();
    void hostLists_data();
    void hostLists();
    void loginFromEnvironment_data();
    void loginFromEnvironment();
    void unreachableServerFails();
    void connectOptions_data();
    void connectOptions();
    void connectSettingsFollowTheSetting_data();
    void connectSettingsFollowTheSetting();
    void startFailureTells_data();
    void startFailureTells();
    void commandLineRequest_data();
    void commandLineRequest();
    void versionAnswersWithoutDisplayOrDatabase();
    void buildStamp_data();
    void buildStamp();
    void versionCheck_data();
    void versionCheck();
    void outdatedBuildEndsTheProgram();
    void versionCheckWaitsForAnOpenTransaction();
    void replaceDecimalSeparator_data();
    void replaceDecimalSeparator();
    void checkDuplicate();
    void signIn_data();
    void signIn();
    void wrongCodeKeepsWaiting();
    void captionShowsBuildStamp();
    void codeIsMasked();
};

void TestCore::initTestCase()
{
    TestDb::setUp();
}

void TestCore::cleanupTestCase()
{
    delete Form23;
    delete Form18;
    delete Form1;
    TestDb::tearDown();
}

void TestCore::init()
{
    TestDb::resetData();
    BuildStamp::pretend({}, {});
    delete Form23;
    delete Form18;
    delete Form1;
    Form1 = new TForm1;
    Form18 = new TForm18;
    Form23 = new TForm23;
}

void TestCore::connectionString_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("server");
    QTest::newRow("none") << QStringList() << "kemra_erp" << "localhost";
    QTest::newRow("name alone is ignored") << QStringList{"other"} << "kemra_erp" << "localhost";
    QTest::newRow("empty address") << QStringList{"other", ""} << "kemra_erp" << "localhost";
    QTest::newRow("both, extra ignored") << QStringList{"erp2", "/tmp/sock", "extra"} << "erp2" << "/tmp/sock";
    // libpq reads a quote or backslash inside a quoted value only escaped
    QTest::newRow("quote and backslash") << QStringList{"o'k", "C:\\pg"} << "o\\'k" << "C:\\\\pg";
}

void TestCore::connectionString()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, database);
    QFETCH(QString, server);
    QCOMPARE(connectionStringForArguments(arguments),
             "host='" + server + "' dbname='" + database + "' port=5432 user='sys' password='mudvakp'");
}

void TestCore::loginFromEnvironment_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::newRow("PGUSER") << QByteArray("PGUSER");
    QTest::newRow("PGSERVICE") << QByteArray("PGSERVICE");
}

// A login named where libpq looks leaves the login and its password to libpq.
void TestCore::loginFromEnvironment()
{
    QFETCH(QByteArray, variable);
    qputenv(variable.constData(), "foreman");
    const auto unset = qScopeGuard([variable] { qunsetenv(variable.constData()); });
    QCOMPARE(::connectionString("kemra_erp", "db.lan"), QString("host='db.lan' dbname='kemra_erp' port=5432"));
    QCOMPARE(withLogin(::connectionString("kemra_erp", "db.lan"), "boss", "o'k"),
             QString("host='db.lan' dbname='kemra_erp' port=5432 user='boss' password='o\\'k'"));
}

void TestCore::hostLists_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("expected");
    const QString login = " user='sys' password='mudvakp'";
    const QString primary = " target_session_attrs=read-write" + login;
    QTest::newRow("one server with a port") << "db1:5433" << "host='db1' dbname='kemra_erp' port=5433" + login;
    QTest::newRow("three servers") << "db1,db2,db3" << "host='db1,db2,db3' dbname='kemra_erp' port='5432,5432,5432'" + primary;
    QTest::newRow("ports of their own") << "db1:5432, db2:5433" << "host='db1,db2' dbname='kemra_erp' port='5432,5433'" + primary;
    QTest::newRow("socket folders") << "/tmp/a,/run/postgresql" << "host='/tmp/a,/run/postgresql' dbname='kemra_erp' port='5432,5432'" + primary;
    QTest::newRow("addresses of IPv6") << "::1,[fe80::1]:5433" << "host='::1,fe80::1' dbname='kemra_erp' port='5432,5433'" + primary;
}

// Several servers of one replicated cluster in one argument: libpq tries them in turn and keeps
// the one that takes writes.
void TestCore::hostLists()
{
    QFETCH(QString, server);
    QFETCH(QString, expected);
    QCOMPARE(connectionStringForArguments({"kemra_erp", server}), expected);
}

void TestCore::unreachableServerFails()
{
    QVERIFY_THROWS_EXCEPTION(DatabaseError, openServerConnection("probe", ::connectionString("kemra_erp", "/nonexistent/folder")));
    QVERIFY(!QSqlDatabase::contains("probe"));
    QVERIFY(DataModule6->isConnected());
}

void TestCore::connectOptions_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("servers");   // as serverName() gives them, joined by ","
    QTest::addColumn<QString>("password");
    QTest::newRow("several with ports") << ::connectionString("kemra_erp", "db1,db2:5433") << "db1:5432,db2:5433"
                                        << "mudvakp";
    QTest::newRow("one port serves all") << "host=a,b port=6000 password='o\\'k\\\\'" << "a:6000,b:6000" << "o'k\\";
    QTest::newRow("a socket folder") << "host=/tmp/s dbname=x" << "/tmp/s:5432" << "";
}

// libpq reads the options written out again as it read them first.
void TestCore::connectOptions()
{
    QFETCH(QString, options);
    QFETCH(QString, servers);
    QFETCH(QString, password);
    const ConnectOptions read(options);
    QStringList names;
    for (const ConnectOptions::Server& server : read.servers())
        names << serverName(server);
    QCOMPARE(names.join(','), servers);
    QCOMPARE(read.value("password"), password);
    const ConnectOptions again(read.text());
    QCOMPARE(again.text(), read.text());
    QCOMPARE(again.value("password"), password);
    ConnectOptions pinned = again;
    pinned.setServers({read.servers().last()});
    QCOMPARE(serverName(pinned.servers().value(0)), servers.section(',', -1));
    QCOMPARE(pinned.servers().size(), 1);
}

void TestCore::connectSettingsFollowTheSetting_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<QString>("seconds");
    QTest::newRow("unset") << QByteArray() << "5";
    QTest::newRow("three seconds") << QByteArray("3") << "3";
    QTest::newRow("not a number") << QByteArray("soon") << "5";
}

// Every connection gives up on a server that does not answer, and names no TLS mode of its own.
void TestCore::connectSettingsFollowTheSetting()
{
    QFETCH(QByteArray, setting);
    QFETCH(QString, seconds);
    if (setting.isEmpty())
        qunsetenv("TABEL_CONNECT_TIMEOUT");
    else
        qputenv("TABEL_CONNECT_TIMEOUT", setting);
    const auto unset = qScopeGuard([] { qunsetenv("TABEL_CONNECT_TIMEOUT"); });
    const ConnectOptions options(::connectionString("kemra_erp", "db1,db2") + ' ' + Session::connectSettings());
    QCOMPARE(options.value("connect_timeout"), seconds);
    QCOMPARE(options.value("keepalives_idle"), seconds);
    QCOMPARE(options.value("tcp_user_timeout"), seconds + "000");
    QCOMPARE(options.value("sslmode"), QString());
    QVERIFY2(options.value("options").contains("-c default_transaction_isolation=read\\ committed"),
             qPrintable(options.value("options")));
}

void TestCore::startFailureTells_data()
{
    QTest::addColumn<QString>("driverText");
    QTest::addColumn<bool>("builtInLogin");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("advice");
    QTest::addColumn<QString>("detailStart");
    const QString nologin = "connection to server failed: FATAL:  role \"sys\" is not permitted to log in";
    QTest::newRow("sys turned off") << nologin << true << QStringList() << true << nologin;
    QTest::newRow("sys turned off, in Russian") << "ВАЖНО:  для роли \"sys\" вход запрещён" << true << QStringList() << true
                                                << "ВАЖНО";
    QTest::newRow("a login of one's own refused") << nologin << false << QStringList() << false << nologin;
    QTest::newRow("no server") << "could not connect to server" << true << QStringList() << false << "could not";
    QTest::newRow("standbys only")
        << "session is read-only" << true << QStringList{"db1:5432 — не отвечает: timeout", "db2:5432 — резервный сервер"}
        << false << "Ни один из названных серверов не принимает запись:\ndb1:5432 — не отвечает: timeout\ndb2:5432 — резервный";
}

void TestCore::startFailureTells()
{
    QFETCH(QString, driverText);
    QFETCH(bool, builtInLogin);
    QFETCH(QStringList, answers);
    QFETCH(bool, advice);
    QFETCH(QString, detailStart);
    const StartFailure failure = startFailure(driverText, builtInLogin, answers);
    QVERIFY(failure.text.startsWith("Подключение к БД отсутсвует!!!"));
    QCOMPARE(failure.text.contains("Попросите у администратора БД свой логин и укажите его в переменной PGUSER, "
                                   "а пароль — в файле ~/.pgpass."),
             advice);
    if (!advice)
        QCOMPARE(failure.text, QString("Подключение к БД отсутсвует!!!"));
    QVERIFY2(failure.detail.startsWith(detailStart), qPrintable(failure.detail));
    QVERIFY(failure.detail.endsWith(driverText));
}

void TestCore::commandLineRequest_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLineRequest>("request");
    QTest::newRow("none") << QStringList() << CommandLineRequest::Run;
    QTest::newRow("database and server") << QStringList{"kemra_erp", "db.example.lan"} << CommandLineRequest::Run;
    QTest::newRow("unknown option") << QStringList{"--verbose"} << CommandLineRequest::Run;
    QTest::newRow("help") << QStringList{"--help"} << CommandLineRequest::Help;
    QTest::newRow("short help") << QStringList{"-h"} << CommandLineRequest::Help;
    QTest::newRow("version after the arguments") << QStringList{"kemra_erp", "db", "--version"} << CommandLineRequest::Version;
    QTest::newRow("help wins") << QStringList{"--version", "--help"} << CommandLineRequest::Help;
}

void TestCore::commandLineRequest()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLineRequest, request);
    QCOMPARE(::commandLineRequest(arguments), request);
}

// A site checks the installed build from a terminal, with no display and the database in use.
void TestCore::versionAnswersWithoutDisplayOrDatabase()
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TABEL_PROGRAM), {TestDb::databaseName(), TestDb::serverAddress(), "--version"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString stamp = QString("%1.%2").arg(BuildStamp::dateNumber(BuildStamp::dateText()))
                              .arg(BuildStamp::timeNumber(BuildStamp::timeText()));
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), "tabel build " + stamp + "\n");
    QCOMPARE(TestDb::scalar("select d::text || '.' || t::text from accounts_dep.ver").toString(), QString("0.0"));
}

void TestCore::buildStamp_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("dateNumber");
    QTest::addColumn<int>("timeNumber");
    QTest::newRow("padded day") << "Sep  7 2023" << "22:30:08" << 20230907 << 81008;
    QTest::newRow("january") << "Jan 31 2024" << "00:00:00" << 20240131 << 0;
    QTest::newRow("june") << "Jun 10 2025" << "23:59:59" << 20250610 << 86399;
    QTest::newRow("march") << "Mar  1 2022" << "01:02:03" << 20220301 << 3723;
    QTest::newRow("april") << "Apr 15 2022" << "12:00:00" << 20220415 << 43200;
    QTest::newRow("may") << "May  5 2022" << "00:00:01" << 20220505 << 1;
    QTest::newRow("july") << "Jul  4 2022" << "00:01:00" << 20220704 << 60;
    QTest::newRow("august") << "Aug  8 2022" << "10:00:00" << 20220808 << 36000;
    QTest::newRow("october") << "Oct 10 2022" << "10:00:00" << 20221010 << 36000;
    QTest::newRow("november") << "Nov 11 2022" << "10:00:00" << 20221111 << 36000;
    QTest::newRow("december") << "Dec 10 2026" << "10:00:00" << 20261210 << 36000;
    QTest::newRow("february") << "Feb 28 2023" << "10:00:00" << 20230228 << 36000;
    QTest::newRow("unknown date") << "??? ?? ????" << "10:00:00" << 19000101 << 36000;
}

void TestCore::buildStamp()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(int, dateNumber);
    QFETCH(int, timeNumber);
    QCOMPARE(BuildStamp::dateNumber(date), dateNumber);
    QCOMPARE(BuildStamp::timeNumber(time), timeNumber);
}

void TestCore::versionCheck_data()
{
    QTest::addColumn<QString>("stored");       // insert statement, or empty for an empty table
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("storedDate");
    QTest::addColumn<int>("storedTime");
    QTest::addColumn<QString>("delimiter");
    QTest::newRow("same build") << "(20230907, 81008, ',')" << int(VersionVerdict::Passed) << 20230907 << 81008 << ",";
    QTest::newRow("newer build raises") << "(20230906, 90000, '.')" << int(VersionVerdict::Raised) << 20230907 << 81008 << ".";
    QTest::newRow("same day, later time raises") << "(20230907, 81007, '.')" << int(VersionVerdict::Raised) << 20230907 << 81008 << ".";
    QTest::newRow("older build") << "(20230907, 81009, '.')" << int(VersionVerdict::Outdated) << 20230907 << 81009 << ".";
    QTest::newRow("empty table") << "" << int(VersionVerdict::Raised) << 20230907 << 81008 << "";
}

void TestCore::versionCheck()
{
    QFETCH(QString, stored);
    QFETCH(int, verdict);
    QFETCH(int, storedDate);
    QFETCH(int, storedTime);
    QFETCH(QString, delimiter);
    TestDb::execAsOwner("delete from accounts_dep.ver");
    if (!stored.isEmpty())
        TestDb::execAsOwner("insert into accounts_dep.ver (d, t, delim) values " + stored);
    Dataset ver(TDataModule6::ConnectionName, "ver");
    Command write(TDataModule6::ConnectionName, "write");
    const VersionCheckResult result = checkVersionStamp(ver, write, 20230907, 81008);
    QCOMPARE(int(result.verdict), verdict);
    QCOMPARE(result.delimiter, delimiter);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.ver").toInt(), 1);
    QCOMPARE(TestDb::scalar("select d from accounts_dep.ver").toInt(), storedDate);
    QCOMPARE(TestDb::scalar("select t from accounts_dep.ver").toInt(), storedTime);
    QVERIFY(!ver.isOpen());
}

void TestCore::outdatedBuildEndsTheProgram()
{
    MessageLog log;
    TestDb::execAsOwner("update accounts_dep.ver set d=20990101, t=0, delim=','");
    BuildStamp::pretend("Sep  7 2023", "22:30:08");
    Form1->CheckVersion();
    QCOMPARE(log.texts(), QStringList{"Версия программы не соответсвует БД! Запустите программу через 5 мин."});
    QCOMPARE(log.shown().first().caption, QString("Ошибка"));
    QVERIFY(Form23->Timer1->isActive());
    QCOMPARE(Form23->Timer1->interval(), 5000);
    QCOMPARE(DataModule6->DecimalDelimiter, QString(","));

    // The program itself, started against the same database, shows the message and ends on its own.
    QProcess program;
    program.start(TABEL_PROGRAM, {TestDb::databaseName(), TestDb::serverAddress()});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const bool ended = program.waitForFinished(60000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    QVERIFY2(ended, "the outdated program kept running");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
}

void TestCore::versionCheckWaitsForAnOpenTransaction()
{
    MessageLog log;
    TestDb::execAsOwner("update accounts_dep.ver set d=20230101, t=0");
    BuildStamp::pretend("Sep  7 2023", "22:30:08");
    {
        Transaction t(QLatin1String(TDataModule6::ConnectionName));
        Form1->CheckVersion();
        QCOMPARE(TestDb::scalar("select d from accounts_dep.ver").toInt(), 20230101);
    }
    Form1->CheckVersion();
    QCOMPARE(TestDb::scalar("select d from accounts_dep.ver").toInt(), 20230907);
    QVERIFY(log.shown().isEmpty());
}

void TestCore::replaceDecimalSeparator_data()
{
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("comma to point") << "." << "1,5" << "1.5";
    QTest::newRow("point stays") << "." << "2.25" << "2.25";
    QTest::newRow("first comma only") << "." << "1,5,5" << "1.5,5";
    QTest::newRow("whole number") << "." << "12" << "12";
    QTest::newRow("point to comma") << "," << "3.75" << "3,75";
    QTest::newRow("no delimiter read yet") << "" << "1,5" << "1.5";
}

void TestCore::replaceDecimalSeparator()
{
    QFETCH(QString, delimiter);
    QFETCH(QString, text);
    QFETCH(QString, result);
    DataModule6->DecimalDelimiter = delimiter;
    QCOMPARE(DataModule6->ReplaceDecimalSeparator(text), result);
}

void TestCore::checkDuplicate()
{
    MessageLog log;
    QVERIFY(!DataModule6->CheckDuplicate("select 0 as cnt", "дубль"));
    QVERIFY(log.shown().isEmpty());
    QVERIFY(DataModule6->CheckDuplicate("select count(*) as cnt from generate_series(1, 3)", "дубль"));
    QCOMPARE(log.texts(), QStringList{"дубль"});
    QCOMPARE(log.shown().first().caption, QString("Ошибка"));
    QVERIFY(log.shown().first().icon == MessageBox::Icon::Stop);
    QVERIFY(!DataModule6->Control->isOpen());
}

void TestCore::signIn_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("disabled");
    const QStringList planner{"Button1", "Button2", "Button3", "Button8", "RadioButton1", "RadioButton2", "RadioButton3",
                              "RadioButton4", "CBox1", "DBGrid2", "DateT", "N2", "N11"};
    QTest::newRow("planner") << "quaxil" << planner;
    QTest::newRow("master with blanks") << "  dovrent " << QStringList{"Button2", "Button3", "N2", "N11"};
    QTest::newRow("warehouse") << "piwun" << QStringList{"Button1", "Button2", "Button3", "N2", "N11"};
    QTest::newRow("administrator") << "61730284" << QStringList();
    QTest::newRow("second administrator code") << "9723" << QStringList();
}

void TestCore::signIn()
{
    QFETCH(QString, code);
    QFETCH(QStringList, disabled);
    MessageLog log;
    Form1->FShift = 3;
    Form23->Edit1->setText(code);
    const auto enabled = [](const QString& name) {
        QWidget* w = Form1->findChild<QWidget*>(name);
        QAction* a = Form1->findChild<QAction*>(name);
        return (w && w->isEnabled()) || (a && a->isEnabled());
    };
    QStringList enabledBefore;
    for (const QString& name : journalControlsOff(Role::Planner))
        if (enabled(name))
            enabledBefore << name;
    QStringList switchedOff;
    whenModal<TForm1>([&](TForm1* journal) {
        QVERIFY(Form23->isHidden());
        for (const QString& name : enabledBefore)
            if (!enabled(name))
                switchedOff << name;
        journal->close();
    });
    Form23->show();
    QTest::mouseClick(Form23->Button1, Qt::LeftButton);
    for (const QString& name : disabled)
        QVERIFY2(switchedOff.contains(name) || !enabledBefore.contains(name), qPrintable(name));
    for (const QString& name : switchedOff)
        QVERIFY2(disabled.contains(name), qPrintable(name + " switched off"));
    QVERIFY(log.shown().isEmpty());
    QCOMPARE(Form1->FShift, 1);
    QCOMPARE(Form1->FSignInCode, code.trimmed());
    QCOMPARE(DataModule6->Smena3->param("ok").toString(), QString("ta"));
    QVERIFY(!Form23->isVisible());   // closed after the journal
}

void TestCore::wrongCodeKeepsWaiting()
{
    MessageLog log;
    for (const QString& code : {QString("DOVRENT"), QString(), QString("1234")}) {
        Form23->Edit1->setText(code);
        Form23->Button1Click();
        QVERIFY(!Form1->isVisible());
        QCOMPARE(Form23->Edit1->text(), code);
    }
    QCOMPARE(log.texts(), QStringList(3, "Введены неверные данные."));
    QCOMPARE(Form1->FSignInCode, QString("1234"));
    QCOMPARE(DataModule6->Smena1->param("ok").toString(), QString("ta"));
}

void TestCore::captionShowsBuildStamp()
{
    BuildStamp::pretend("Sep  7 2023", "22:30:08");
    Form23->FormActivate();
    QCOMPARE(Form23->windowTitle(), QString("Авторизация (build: 20230907.81008)"));
    QCOMPARE(TestDb::scalar("select d::text || '.' || t::text from accounts_dep.ver").toString(), QString("20230907.81008"));
}

void TestCore::codeIsMasked()
{
    Form23->Edit1->setText("9723");
    QCOMPARE(Form23->Edit1->displayText(), QString("****"));
}

QTEST_MAIN(TestCore)
#include "tst_core.moc"
