#include "app/application.h"
#include "app/start_connection.h"
#include "history/admin_login_dialog.h"
#include "core/build_stamp.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "core/sign_in_window.h"
#include "journal/entry_editor.h"
#include "journal/journal_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "toolkit/clock.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/connections.h"
#include "toolkit/reading_session.h"
#include "toolkit/session.h"

#include <QLabel>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "pg_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <thread>

namespace {
// A TCP socket on 127.0.0.1 that takes connections (the kernel completes them) and never says a
// word: a hung server, or a machine that stopped answering behind its address.
class SilentServer {
public:
    SilentServer()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_socket, 16) != 0
            || ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("no listening socket");
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(m_socket); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    QString address() const { return QString("127.0.0.1:%1").arg(m_port); }
    int socket() const { return m_socket; }

private:
    int m_socket = -1;
    int m_port = 0;
};

// A server that refuses TLS ('N' to libpq's SSL request), as anything answering at a server's
// address may, and notes whether the client went on without it (its startup packet, which names
// the login, and then its password when asked).
class TlsRefusingServer {
public:
    TlsRefusingServer()
        : m_thread([this] {
              pollfd waiting{m_listener.socket(), POLLIN, 0};
              if (::poll(&waiting, 1, 10000) != 1)
                  return;
              const int client = ::accept(m_listener.socket(), nullptr, nullptr);
              char request[8];
              if (::recv(client, request, sizeof request, MSG_WAITALL) == sizeof request && ::send(client, "N", 1, 0) == 1) {
                  pollfd more{client, POLLIN, 0};
                  char startup[512];
                  m_wentOnPlain = ::poll(&more, 1, 3000) == 1 && ::recv(client, startup, sizeof startup, 0) > 0;
              }
              ::close(client);
          })
    {
    }
    ~TlsRefusingServer()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    QString address() const { return m_listener.address(); }
    // Once the client is done.
    bool wentOnPlain()
    {
        m_thread.join();
        m_thread = std::thread();
        return m_wentOnPlain;
    }

private:
    SilentServer m_listener;
    std::atomic<bool> m_wentOnPlain{false};
    std::thread m_thread;
};
}

// The connection under way: the session the program sets for itself, a server that goes
// away and comes back, a lock held by another user.
class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void datesTravelDayFirst_data();
    void datesTravelDayFirst();
    void refreshAfterRestart();
    void lossSeenWhileIdleCostsNoMessage();
    void saveTypedBeforeOutage();
    void versionCheckWhileServerAway();
    void lockHeldElsewhereTimesOut();
    void errorKinds_data();
    void errorKinds();
    void sessionEndedElsewhereReconnects();
    void readCutShortFails_data();
    void readCutShortFails();
    void loginDefaultsDoNotStopTheProgram();
    void builtInLoginTurnedOff_data();
    void builtInLoginTurnedOff();
    void silentServerGivenUp();
    void tlsLeftToTheSite();
    void adminLoginSaysWhenUnencrypted();

private:
    // Opens the entry editor from the journal, fills in the entry of the day on the journal
    // and runs `act` on it; the editor is closed afterwards when `act` left it open.
    void withFilledEditor(const std::function<void(TForm11*)>& act);
    void setDay(const QDate& day);
    static void reconnect();

    int m_worker = 0;
    int m_product = 0;
    int m_operation = 0;
};

void TestConnection::initTestCase()
{
    TestDb::setUp();
    // PostgreSQL's own default, whatever the cluster was made with: the program sets its session.
    TestDb::execAsOwner(QString("alter database %1 set DateStyle to 'ISO, MDY'").arg(TestDb::databaseName()));
    reconnect();
    createForms();
}

void TestConnection::cleanupTestCase()
{
    destroyForms();
    TestDb::tearDown();
}

void TestConnection::init()
{
    TestDb::resetData();
    m_worker = Fixture::worker("Иванов Иван Петрович");
    m_product = Fixture::product("ЯП-12", 2.5);
    m_operation = Fixture::operation(m_product, Fixture::operationType("Сборка"), 0, 10);
    setDay(QDate(2026, 3, 5));
}

void TestConnection::cleanup()
{
    BuildStamp::pretend({}, {});
    Form23->Timer1->stop();
}

void TestConnection::reconnect()
{
    DataModule6->openConnection(connectionString(TestDb::databaseName(), TestDb::serverAddress()));
}

void TestConnection::setDay(const QDate& day)
{
    Clock::setToday(day);
    Form1->DateT->setDate(day);
    Form1->RadioButton1->setChecked(true);
    Form1->FShift = 1;
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4}) {
        set->setParam("ok", "ta");
        set->setParam("data", day);
    }
    DataModule6->Smena1->refresh();
}

void TestConnection::withFilledEditor(const std::function<void(TForm11*)>& act)
{
    QVERIFY(expectModal<TForm11>([] { QTest::mouseClick(Form1->Button1, Qt::LeftButton); },
                                 [this, act](TForm11* editor) {
                                     editor->FWorkerId = m_worker;
                                     editor->FOperationId = m_operation;
                                     editor->FProductId = m_product;
                                     editor->FPrice = 10;
                                     editor->Edit1->setText("Иванов Иван Петрович");
                                     editor->Edit2->setText("ЯП-12; Сборка; Готовая продукция");
                                     editor->Edit3->setText("12");
                                     editor->Edit4->setText("0");
                                     editor->Edit6->setText("8");
                                     act(editor);
                                     if (editor->isVisible())
                                         editor->reject();
                                 }));
}

void TestConnection::datesTravelDayFirst_data()
{
    QTest::addColumn<QDate>("day");
    QTest::newRow("5 March, not 3 May") << QDate(2026, 3, 5);
    QTest::newRow("13 March, no thirteenth month") << QDate(2026, 3, 13);
}

void TestConnection::datesTravelDayFirst()
{
    QFETCH(QDate, day);
    setDay(day);
    MessageLog log;
    withFilledEditor([](TForm11* editor) {
        editor->Button1->click();
        QVERIFY(!editor->isVisible());
    });
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QCOMPARE(TestDb::scalar("select data::text || '|' || vvod::date::text from accounts_dep.smena").toString(),
             day.toString(Qt::ISODate) + "|" + day.toString(Qt::ISODate));
    Dataset* journal = DataModule6->Smena1;
    QCOMPARE(journal->recordCount(), 1);
    QCOMPARE(journal->value("data").toDate(), day);
    QCOMPARE(journal->value("vvod").toDate(), day);
}

void TestConnection::refreshAfterRestart()
{
    Fixture::Entry entry;
    entry.date = QDate(2026, 3, 5);
    entry.worker = m_worker;
    entry.product = m_product;
    entry.operation = m_operation;
    Fixture::entry(entry);
    MessageLog log;
    {
        ServerOutage restart;
    }
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    QCOMPARE(log.texts(), QStringList{LostConnectionText});
    QCOMPARE(log.shown().first().caption, QString("Ошибка"));
    QVERIFY(!log.shown().first().detail.isEmpty());
    log.clear();
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QCOMPARE(DataModule6->Smena1->recordCount(), 1);
    // The new session reads dates day first again.
    setDay(QDate(2026, 3, 13));
    withFilledEditor([](TForm11* editor) { editor->Button1->click(); });
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena where data = date '2026-03-13' and vvod::date = date '2026-03-13'").toInt(), 1);
}

// A restart while the program waits for the user: the live refresh reads the connection's end
// from its socket, and the next action goes to a new session at once.
void TestConnection::lossSeenWhileIdleCostsNoMessage()
{
    MessageLog log;
    {
        ServerOutage restart;
    }
    QTest::qWait(200);
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
}

void TestConnection::saveTypedBeforeOutage()
{
    MessageLog log;
    withFilledEditor([&log](TForm11* editor) {
        ServerOutage outage;
        editor->Button1->click();
        QCOMPARE(log.texts(), QStringList{LostConnectionText});
        editor->Button1->click();   // still away: said again, nothing else happens
        QCOMPARE(log.texts(), (QStringList{LostConnectionText, LostConnectionText}));
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->Edit3->text(), QString("12"));
        outage.end();
        log.clear();
        editor->Button1->click();
        QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
        QVERIFY(!editor->isVisible());
    });
    QCOMPARE(TestDb::scalar("select concat_ws('|', data, kol_vo, time, vvod::date) from accounts_dep.smena").toString(),
             QString("2026-03-05|12|8|2026-03-05"));
    QCOMPARE(DataModule6->Smena1->recordCount(), 1);
}

void TestConnection::versionCheckWhileServerAway()
{
    MessageLog log;
    {
        ServerOutage outage;
        for (int tick = 0; tick < 4; ++tick)
            QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));
        QVERIFY2(log.shown().size() <= 1, qPrintable(log.texts().join("; ")));
        for (const QString& text : log.texts())
            QCOMPARE(text, QString(LostConnectionText));
    }
    log.clear();
    QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));   // back: checks quietly
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QVERIFY(Form1->Timer1->isActive());
    // A newer build stamped the database in the meantime: this one ends.
    TestDb::execAsOwner("update accounts_dep.ver set d=20990101, t=0");
    BuildStamp::pretend("Sep  7 2023", "22:30:08");
    QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));
    QCOMPARE(log.texts(), QStringList{"Версия программы не соответсвует БД! Запустите программу через 5 мин."});
    QVERIFY(Form23->Timer1->isActive());
}

void TestConnection::lockHeldElsewhereTimesOut()
{
    qputenv("TABEL_LOCK_TIMEOUT", "1");
    reconnect();
    setDay(QDate(2026, 3, 5));
    {
        QSqlDatabase holder = TestDb::openClient("holder");
        QVERIFY(holder.transaction());
        QSqlQuery lock(holder);
        QVERIFY2(lock.exec("lock table accounts_dep.smena in exclusive mode"), qPrintable(lock.lastError().text()));
        MessageLog log;
        withFilledEditor([&](TForm11* editor) {
            editor->Button1->click();
            QCOMPARE(log.shown().size(), 1);
            QVERIFY2(log.texts().first().startsWith("Сервер БД не выполнил действие вовремя"), qPrintable(log.texts().first()));
            QVERIFY2(log.shown().first().detail.contains("lock timeout"), qPrintable(log.shown().first().detail));
            QVERIFY(editor->isVisible());
            holder.rollback();
            log.clear();
            editor->Button1->click();   // the lock is gone: the same entry saves
            QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
            QVERIFY(!editor->isVisible());
        });
        holder.close();
    }
    QSqlDatabase::removeDatabase("holder");
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 1);
    qunsetenv("TABEL_LOCK_TIMEOUT");
    reconnect();
}

void TestConnection::errorKinds_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("userText");
    QTest::addColumn<QString>("detail");
    QTest::newRow("refused") << "" << "select no_such_column from accounts_dep.smena" << int(DatabaseError::Refused)
                             << "Сервер БД отказался выполнить действие." << "no_such_column";
    QTest::newRow("refused: duplicate key") << "" << "insert into accounts_dep.smena (id) values (1), (1)"
                                            << int(DatabaseError::Refused) << "Сервер БД отказался выполнить действие."
                                            << "smena_pkey";
    QTest::newRow("timed out: statement cancelled") << "set statement_timeout to 100" << "select pg_sleep(5)"
                                                    << int(DatabaseError::TimedOut)
                                                    << "Сервер БД не выполнил действие вовремя: данные заняты другим "
                                                       "пользователем. Повторите действие позже."
                                                    << "statement timeout";
}

// The kind the user is told comes from the server's SQLSTATE; the server's own text goes with it.
void TestConnection::errorKinds()
{
    QFETCH(QString, setting);
    QFETCH(QString, statement);
    QFETCH(int, kind);
    QFETCH(QString, userText);
    QFETCH(QString, detail);
    if (!setting.isEmpty())
        TestDb::exec(setting);
    try {
        runStatement(TDataModule6::ConnectionName, statement);
        QFAIL("the statement ran");
    } catch (const DatabaseError& e) {
        QCOMPARE(int(e.kind()), kind);
        QCOMPARE(e.userText(), userText);
        QVERIFY2(e.message().contains(detail), qPrintable(e.message()));
        QCOMPARE(e.statement(), statement);
    }
    QVERIFY(DataModule6->isConnected());
    reconnect();
}

// A session ended on the server (an administrator, a restart of the pooler) is lost, said once,
// and the next action opens a new one with the program's settings on it.
void TestConnection::sessionEndedElsewhereReconnects()
{
    const int pid = TestDb::scalar("select pg_backend_pid()").toInt();
    {
        QSqlDatabase admin = TestDb::openClient("admin");
        QSqlQuery end(admin);
        QVERIFY2(end.exec(QString("select pg_terminate_backend(%1)").arg(pid)), qPrintable(end.lastError().text()));
        admin.close();
    }
    QSqlDatabase::removeDatabase("admin");
    try {
        runStatement(TDataModule6::ConnectionName, "select 1");
        QFAIL("the ended session answered");
    } catch (const DatabaseError& e) {
        QCOMPARE(int(e.kind()), int(DatabaseError::Lost));
        QCOMPARE(e.userText(), QString(LostConnectionText));
    }
    QVERIFY(!DataModule6->isConnected());
    QSqlQuery settings = runStatement(TDataModule6::ConnectionName,
                                      "select current_setting('DateStyle'), current_setting('lock_timeout'), "
                                      "(select count(*) from pg_listening_channels()), pg_backend_pid()");
    QVERIFY(settings.next());
    QCOMPARE(settings.value(0).toString(), QString("ISO, DMY"));
    QCOMPARE(settings.value(1).toString(), QString("30s"));
    QCOMPARE(settings.value(2).toInt(), 3);   // the announcements of other clients' changes and closings
    QVERIFY(settings.value(3).toInt() != pid);
}


void TestConnection::readCutShortFails_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("cut");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("detail");
    QTest::newRow("session ended by an administrator")
        << "" << "case when n = 5000 then pg_terminate_backend(pg_backend_pid()) end" << int(DatabaseError::Lost)
        << "terminating connection due to administrator command";
    QTest::newRow("statement timeout") << "set statement_timeout to 300" << "pg_sleep(0.001)::text"
                                       << int(DatabaseError::TimedOut) << "statement timeout";
}

// Rows already on their way when the statement ends with an error (the session ended, the
// statement cancelled) are no list: the read fails with the server's text, never a shorter set.
void TestConnection::readCutShortFails()
{
    QFETCH(QString, setting);
    QFETCH(QString, cut);
    QFETCH(int, kind);
    QFETCH(QString, detail);
    if (!setting.isEmpty())
        TestDb::exec(setting);
    Dataset set(TDataModule6::ConnectionName, "numbers");
    set.setSql(QString("select n, %1 as cut from generate_series(1, 100000) n").arg(cut));
    try {
        set.open();
        QFAIL(qPrintable(QString("read %1 rows as the whole set").arg(set.recordCount())));
    } catch (const DatabaseError& e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY2(e.message().contains(detail), qPrintable(e.message()));
    }
    QVERIFY(!set.isOpen());
    reconnect();
}

// A login's own defaults set on the server (by a site, or by whoever holds the shared login) do not
// stop the program: its sessions put back what their statements need.
void TestConnection::loginDefaultsDoNotStopTheProgram()
{
    const QString role = QString("alter role sys in database %1 ").arg(TestDb::databaseName());
    for (const char* setting : {"default_transaction_read_only = on", "statement_timeout = '1ms'",
                                "idle_in_transaction_session_timeout = '1ms'", "idle_session_timeout = '1ms'",
                                "default_transaction_isolation = 'serializable'", "lock_timeout = '1ms'"})
        TestDb::execAsSuperuser(role + "set " + setting);
    const auto reset = qScopeGuard([role] {
        TestDb::execAsSuperuser(role + "reset all");
        reconnect();
    });
    reconnect();
    const QString settings = "select concat_ws('|', current_setting('transaction_read_only'), current_setting('statement_timeout'), "
                             "current_setting('idle_in_transaction_session_timeout'), current_setting('idle_session_timeout'), "
                             "current_setting('transaction_isolation'), current_setting('lock_timeout'))";
    const QString expected = "off|0|0|0|read committed|30s";
    QCOMPARE(TestDb::scalar(settings).toString(), expected);
    {
        ReadingSession reading(TDataModule6::ConnectionName);
        QSqlQuery query = runStatement(reading.connectionName(), settings);
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), expected);
    }
    MessageLog log;
    QTest::qWait(20);   // longer than the login's idle limits
    withFilledEditor([](TForm11* editor) { editor->Button1->click(); });
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 1);
}

void TestConnection::builtInLoginTurnedOff_data()
{
    QTest::addColumn<QByteArray>("pguser");
    QTest::addColumn<bool>("advice");
    QTest::newRow("no login named: ask for one") << QByteArray() << true;
    QTest::newRow("the login named is refused: no advice") << QByteArray("sys") << false;
}

// A site that gave people logins of their own turned the shared one off: the program says at
// start whom to ask and where to name a login.
void TestConnection::builtInLoginTurnedOff()
{
    QFETCH(QByteArray, pguser);
    QFETCH(bool, advice);
    if (!pguser.isEmpty())
        qputenv("PGUSER", pguser);
    TestDb::execAsSuperuser("alter role sys nologin");
    const auto back = qScopeGuard([] {
        qunsetenv("PGUSER");
        TestDb::execAsSuperuser("alter role sys login");
        reconnect();
    });
    MessageLog log;
    QVERIFY(!openStartConnection({TestDb::databaseName(), TestDb::serverAddress()}));
    QCOMPARE(log.shown().size(), 1);
    const MessageBox::Shown shown = log.shown().first();
    QCOMPARE(shown.caption, QString("Ошибка!"));
    QVERIFY(shown.text.startsWith("Подключение к БД отсутсвует!!!"));
    QCOMPARE(shown.text.contains("Попросите у администратора БД свой логин"), advice);
    QVERIFY2(shown.detail.contains("\"sys\""), qPrintable(shown.detail));
}

// A server that takes the connection and never answers is given up after TABEL_CONNECT_TIMEOUT,
// the next one named is tried, and the window goes on meanwhile.
void TestConnection::silentServerGivenUp()
{
    qputenv("TABEL_CONNECT_TIMEOUT", "2");
    const auto unset = qScopeGuard([] { qunsetenv("TABEL_CONNECT_TIMEOUT"); });
    SilentServer silent;
    int ticks = 0;
    QTimer window;
    connect(&window, &QTimer::timeout, [&ticks] { ++ticks; });
    window.start(50);
    QElapsedTimer waited;
    waited.start();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, openServerConnection("silent", connectionString(TestDb::databaseName(), silent.address())));
    const qint64 alone = waited.elapsed();
    QVERIFY2(alone >= 900 && alone < 3500, qPrintable(QString::number(alone)));
    QVERIFY2(ticks >= alone / 50 / 2, qPrintable(QString::number(ticks)));
    QVERIFY(!QSqlDatabase::contains("silent"));
    // Named first of two: passed over for the server that answers.
    waited.restart();
    openServerConnection("silent", connectionString(TestDb::databaseName(), silent.address() + "," + TestDb::serverAddress()));
    const qint64 passedOver = waited.elapsed();
    QSqlQuery answer = runStatement("silent", "select current_database()");
    QVERIFY(answer.next());
    QCOMPARE(answer.value(0).toString(), TestDb::databaseName());
    closeNamedConnection("silent");
    QVERIFY2(passedOver >= 900 && passedOver < 3500, qPrintable(QString::number(passedOver)));
}

// The connection names no TLS mode of its own: where the site asks for TLS (PGSSLMODE, a service
// file), a server that refuses it never gets the login, let alone the password.
void TestConnection::tlsLeftToTheSite()
{
    {
        TlsRefusingServer server;   // libpq's default: TLS when offered, else on without it
        QVERIFY_THROWS_EXCEPTION(DatabaseError, openServerConnection("refusing", connectionString(TestDb::databaseName(), server.address())));
        QVERIFY(server.wentOnPlain());
    }
    qputenv("PGSSLMODE", "require");
    const auto unset = qScopeGuard([] { qunsetenv("PGSSLMODE"); });
    TlsRefusingServer server;
    try {
        openServerConnection("refusing", connectionString(TestDb::databaseName(), server.address()));
        QFAIL("opened without TLS");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("SSL"), qPrintable(e.message()));
    }
    QVERIFY(!server.wentOnPlain());
}

// "Закрытие месяца" asks for a password: its dialog says when the connection it would travel is
// plain TCP, and says nothing over a local socket.
void TestConnection::adminLoginSaysWhenUnencrypted()
{
    PgProxy tcp((TestDb::serverAddress() + "/.s.PGSQL.5432").toStdString(), 0);
    DataModule6->openConnection(connectionString(TestDb::databaseName(), QString("127.0.0.1:%1").arg(tcp.port())));
    const auto back = qScopeGuard([] { reconnect(); });
    {
        AdminLoginDialog overTcp;
        QVERIFY(overTcp.PlainChannel);
        QCOMPARE(overTcp.PlainChannel->text(), QString("Внимание: соединение с сервером БД не зашифровано (без TLS).\n"
                                                       "Пароль может пройти по сети в открытом виде."));
    }
    reconnect();
    AdminLoginDialog overSocket;
    QVERIFY(!overSocket.PlainChannel);
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
