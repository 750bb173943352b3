#include "app/application.h"
#include "app/sign_in_wiring.h"
#include "app/start_connection.h"
#include "core/build_stamp.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "journal/entry_editor.h"
#include "journal/journal_window.h"
#include "reports/reports_window.h"
#include "reports/report_statements.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "toolkit/clock.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_preview.h"
#include "toolkit/report/report_rows.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <signal.h>

// A primary with a streaming standby, two private clusters this program makes for itself
// (scripts/pg-pair): the program named both finds the primary, reads its reports on the
// standby while it keeps up, and carries on on the standby once it is promoted.
class TestStandby : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void hostListReachesThePrimary();
    void reportReadsOnStandby();
    void laggingStandbyLeftAlone_data();
    void laggingStandbyLeftAlone();
    void silentStandbyPassedOver();
    void onlyStandbyUpAtStart();
    // Last: the primary is gone after it.
    void failoverFirstSaveWorks();

private:
    // A statement as the superuser of a cluster, on its database kemra_erp.
    static QSqlQuery admin(const QString& host, const QString& statement);
    // The report "Отчет по рабочим" of March 2026, as the reports window prepares it.
    static void prepareReport(Dataset& report);
    // The pieces the report's rows count in all.
    static int reportPieces(ReportRowReader& rows);
    // Sessions of the program (user sys) on a cluster's kemra_erp, but for the program's own
    // connection.
    static int readingSessions(const QString& host);
    // The program's connection to the standby and the primary, standby first, as at start.
    void connectProgram() const;
    // Waits until the standby has replayed all the primary wrote.
    void waitForReplay() const;
    // Whether a yes-or-no statement answers yes on the standby.
    bool standbyAnswers(const QString& statement) const;

    QTemporaryDir m_state;
    QString m_primary;
    QString m_standby;
    Fixture::Floor m_floor;
};

namespace {
const QDate Day(2026, 3, 5);
const char* const Other = "other";
}

void TestStandby::initTestCase()
{
    QVERIFY(m_state.isValid());
    QProcess pair;
    pair.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pair.start(QStringLiteral(TABEL_SCRIPTS "/pg-pair"), {m_state.path()});
    QVERIFY(pair.waitForFinished(240000) && pair.exitCode() == 0);
    const QStringList hosts = QString::fromUtf8(pair.readAllStandardOutput()).trimmed().split(',');
    QCOMPARE(hosts.size(), 2);
    m_primary = hosts.at(0);
    m_standby = hosts.at(1);
    // The program's own login holds no superuser powers, as at a site.
    admin(m_primary, "alter role sys nosuperuser");
    TestDb::useCluster(m_primary, "kemra_erp");
    DataModule6 = new TDataModule6;
    // A server that does not answer is given up after 2 s (libpq's least).
    qputenv("TABEL_CONNECT_TIMEOUT", "2");
    connectProgram();
    wireSignIn();
    createForms();
}

void TestStandby::connectProgram() const
{
    // The standby first: the program goes on to the server that takes writes.
    DataModule6->openConnection(connectionString("kemra_erp", m_standby + "," + m_primary));
}

void TestStandby::cleanupTestCase()
{
    if (QSqlDatabase::contains(Other)) {
        QSqlDatabase::database(Other, false).close();
        QSqlDatabase::removeDatabase(Other);
    }
    destroyForms();
    delete DataModule6;
    DataModule6 = nullptr;
    for (const char* cluster : {"standby", "primary"})
        QProcess::execute(QStringLiteral(TABEL_SCRIPTS "/pg-stop"), {m_state.filePath(cluster)});
}

void TestStandby::init()
{
    m_floor = Fixture::floorOfTwoEntries(Day);
    waitForReplay();
}

QSqlQuery TestStandby::admin(const QString& host, const QString& statement)
{
    const QString name = "admin " + host;
    if (!QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
        db.setConnectOptions("host=" + host + " dbname=kemra_erp user=postgres");
    }
    QSqlDatabase db = QSqlDatabase::database(name);
    QSqlQuery query(db);
    if (!query.exec(statement))
        qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    return query;
}

void TestStandby::prepareReport(Dataset& report)
{
    report.setSql(workersReportStatement());
    prepareReportQuery(report, QDate(2026, 3, 1), QDate(2026, 4, 1), AllProducts);
}

int TestStandby::reportPieces(ReportRowReader& rows)
{
    const int column = int(rows.columns().indexOf("kolvo"));
    int pieces = 0;
    QVector<QVariant> row;
    while (rows.next(row))
        pieces += row.at(column).toInt();
    return pieces;
}

int TestStandby::readingSessions(const QString& host)
{
    const int own = TestDb::scalar("select pg_backend_pid()").toInt();
    QSqlQuery query = admin(host, QString("select count(*) from pg_stat_activity where usename = 'sys' and "
                                          "datname = 'kemra_erp' and pid <> %1").arg(own));
    query.next();
    return query.value(0).toInt();
}

bool TestStandby::standbyAnswers(const QString& statement) const
{
    QSqlQuery answer = admin(m_standby, statement);
    return answer.next() && answer.value(0).toBool();
}

void TestStandby::waitForReplay() const
{
    // Where the primary inserted its last record: with asynchronous commits the WAL written so far
    // may not hold the last commits yet.
    QSqlQuery position = admin(m_primary, "select pg_current_wal_insert_lsn()::text");
    QVERIFY(position.next());
    const QString written = position.value(0).toString();
    QTRY_VERIFY_WITH_TIMEOUT(standbyAnswers("select pg_last_wal_replay_lsn() >= '" + written + "'::pg_lsn"), 10000);
}

void TestStandby::hostListReachesThePrimary()
{
    QCOMPARE(TestDb::scalar("select pg_is_in_recovery()").toBool(), false);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 2);
    QSqlQuery onStandby = admin(m_standby, "select count(*) from accounts_dep.smena");
    QVERIFY(onStandby.next());
    QCOMPARE(onStandby.value(0).toInt(), 2);
}

void TestStandby::reportReadsOnStandby()
{
    Dataset report(TDataModule6::ConnectionName, "t_Report");
    prepareReport(report);
    DatasetReader rows(report);
    QVERIFY2(rows.sourceNote().contains(QRegularExpression("^данные на \\d\\d:\\d\\d:\\d\\d$")), qPrintable(rows.sourceNote()));
    QCOMPARE(readingSessions(m_standby), 1);
    QCOMPARE(readingSessions(m_primary), 0);
    QCOMPARE(reportPieces(rows), 20);
    // The printed report says so under its pages.
    QString shownNote;
    QVERIFY(expectModal<ReportPreviewWindow>(
        [] {
            Form18->DTPicker1->setDate(QDate(2026, 3, 1));
            Form18->DTPicker2->setDate(QDate(2026, 4, 1));
            Form18->Button4Click();
        },
        [&](ReportPreviewWindow* preview) {
            QTRY_VERIFY(!preview->isLayingOut());
            shownNote = preview->sourceNote();
            preview->close();
        }));
    QVERIFY2(shownNote.startsWith("данные на "), qPrintable(shownNote));
}

void TestStandby::laggingStandbyLeftAlone_data()
{
    QTest::addColumn<QByteArray>("maxLag");
    QTest::addColumn<bool>("onStandby");
    QTest::addColumn<int>("pieces");
    QTest::newRow("lag within the setting: the standby's older data") << QByteArray("60") << true << 20;
    QTest::newRow("lag beyond the setting: the primary") << QByteArray("1") << false << 30;
}

void TestStandby::laggingStandbyLeftAlone()
{
    QFETCH(QByteArray, maxLag);
    QFETCH(bool, onStandby);
    QFETCH(int, pieces);
    qputenv("TABEL_STANDBY_MAX_LAG", maxLag);
    admin(m_standby, "select pg_wal_replay_pause()");
    const auto resume = qScopeGuard([this] {
        admin(m_standby, "select pg_wal_replay_resume()");
        qunsetenv("TABEL_STANDBY_MAX_LAG");
    });
    const QDateTime before = QDateTime::currentDateTime();
    QTest::qWait(1100);
    Fixture::entry(m_floor, m_floor.petrov, Day);
    // Received but not replayed, and the last replayed commit more than a second old.
    QTRY_VERIFY_WITH_TIMEOUT(standbyAnswers("select pg_last_wal_receive_lsn() > pg_last_wal_replay_lsn()"), 5000);
    QTest::qWait(1100);

    Dataset report(TDataModule6::ConnectionName, "t_Report");
    prepareReport(report);
    DatasetReader rows(report);
    QCOMPARE(readingSessions(m_standby), onStandby ? 1 : 0);
    QCOMPARE(readingSessions(m_primary), onStandby ? 0 : 1);
    QCOMPARE(rows.sourceNote().isEmpty(), !onStandby);
    if (onStandby)   // the time its data stands at, not now
        QVERIFY2(rows.sourceNote() <= "данные на " + before.toString("HH:mm:ss"), qPrintable(rows.sourceNote()));
    QCOMPARE(reportPieces(rows), pieces);
}

// The standby's postmaster stops answering (a hung machine looks the same): a report's reading
// session passes it over after the connect timeout and reads on the primary, and the program's
// own connection, opened again with the standby named first, does the same; the window goes on
// meanwhile.
void TestStandby::silentStandbyPassedOver()
{
    QFile pidFile(m_standby + "/data/postmaster.pid");
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
    QVERIFY(postmaster > 0);
    QCOMPARE(::kill(postmaster, SIGSTOP), 0);
    const auto resume = qScopeGuard([postmaster] { ::kill(postmaster, SIGCONT); });
    int ticks = 0;
    QTimer window;
    connect(&window, &QTimer::timeout, [&ticks] { ++ticks; });
    window.start(50);

    QElapsedTimer waited;
    waited.start();
    {
        Dataset report(TDataModule6::ConnectionName, "t_Report");
        prepareReport(report);
        DatasetReader rows(report);
        const qint64 opened = waited.elapsed();
        QVERIFY2(opened >= 900 && opened < 3500, qPrintable(QString::number(opened)));
        QVERIFY2(ticks >= opened / 50 / 2, qPrintable(QString::number(ticks)));
        QCOMPARE(rows.sourceNote(), QString());
        QCOMPARE(readingSessions(m_primary), 1);
        QCOMPARE(reportPieces(rows), 20);
    }
    // The program's session ends on the primary; the next statement opens a new one.
    admin(m_primary, QString("select pg_terminate_backend(%1)").arg(TestDb::scalar("select pg_backend_pid()").toInt()));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, runStatement(TDataModule6::ConnectionName, "select 1"));
    ticks = 0;
    waited.restart();
    QCOMPARE(TestDb::scalar("select pg_is_in_recovery()").toBool(), false);
    const qint64 reopened = waited.elapsed();
    QVERIFY2(reopened >= 900 && reopened < 3500, qPrintable(QString::number(reopened)));
    QVERIFY2(ticks >= reopened / 50 / 2, qPrintable(QString::number(ticks)));
}

// Only a standby up at start: no server takes writes, and the box says which answered how.
void TestStandby::onlyStandbyUpAtStart()
{
    MessageLog log;
    const QString gone = "/nonexistent/folder";
    QVERIFY(!openStartConnection({"kemra_erp", m_standby + "," + gone}));
    connectProgram();
    QCOMPARE(log.shown().size(), 1);
    const MessageBox::Shown shown = log.shown().first();
    QCOMPARE(shown.text, QString("Подключение к БД отсутсвует!!!"));
    QCOMPARE(shown.caption, QString("Ошибка!"));
    QVERIFY2(shown.detail.startsWith("Ни один из названных серверов не принимает запись:\n" + m_standby
                                     + ":5432 — резервный сервер (standby): только чтение, запись не принимает\n" + gone
                                     + ":5432 — не отвечает: "),
             qPrintable(shown.detail));
}

// The failover manager's part: the primary goes, the standby takes over. The live refresh's
// socket sees the old primary go while the user still types, so the save goes to the new primary
// at once, with the program's settings and listening there again.
void TestStandby::failoverFirstSaveWorks()
{
    Fixture::showJournal(Day);
    QCOMPARE(DataModule6->Smena1->recordCount(), 2);

    MessageLog log;
    QElapsedTimer sinceFailover;
    const bool edited = expectModal<TForm11>([] { QTest::mouseClick(Form1->Button1, Qt::LeftButton); }, [&](TForm11* editor) {
        editor->FWorkerId = m_floor.petrov;
        editor->FOperationId = m_floor.operation;
        editor->FProductId = m_floor.product;
        editor->FPrice = 10;
        editor->Edit1->setText("Петров П.П.");
        editor->Edit2->setText("Ящик Я-1; Сборка; Готовая продукция");
        editor->Edit3->setText("12");
        editor->Edit4->setText("0");
        editor->Edit6->setText("8");
        TestDb::pgCtl(m_primary + "/data", {"-m", "fast", "-w", "stop"});
        TestDb::pgCtl(m_standby + "/data", {"-w", "promote"});
        sinceFailover.start();
        // Another client commits on the new primary before this one is back.
        QSqlDatabase other = QSqlDatabase::addDatabase("QPSQL", Other);
        other.setConnectOptions(connectionString("kemra_erp", m_standby));
        QVERIFY2(other.open(), qPrintable(other.lastError().text()));
        QSqlQuery insert(other);
        QVERIFY2(insert.exec(QString("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
                                     "time, ok, vvod) select data, smena, %1, i_id, o_id, cena, 5, 0, '4', 'no', now() "
                                     "from accounts_dep.smena where w_id = %2")
                                 .arg(m_floor.sidorov)
                                 .arg(m_floor.ivanov)),
                 qPrintable(insert.lastError().text()));
        QTest::qWait(50);   // the user's hand on its way to "Запись"
        editor->Button1->click();
        QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
        QVERIFY(!editor->isVisible());
    });
    QVERIFY(edited);
    qInfo("promoted standby to the next save: %lld ms", sinceFailover.elapsed());
    QSqlDatabase other = QSqlDatabase::database(Other);
    const auto count = [&other](const QString& where) {
        QSqlQuery query(other);
        query.exec("select count(*) from accounts_dep.smena where " + where);
        return query.next() ? query.value(0).toInt() : -1;
    };
    QCOMPARE(count("kol_vo = 12"), 1);
    QCOMPARE(TestDb::scalar("select pg_is_in_recovery()").toBool(), false);
    // What the other client committed meanwhile shows without "Обновить".
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena1->recordCount(), 4, 1000);
    // The live refresh listens on the new primary.
    QSqlQuery(other).exec(QString("update accounts_dep.smena set kol_vo = 7 where w_id = %1").arg(m_floor.ivanov));
    const auto changedShows = [] {
        const Dataset* list = DataModule6->Smena1;
        for (int row = 0; row < list->recordCount(); ++row)
            if (list->value(row, list->fieldIndex("kol_vo")).toInt() == 7)
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(changedShows(), 1000);
    // The build stamp check goes on there, quietly.
    QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QCOMPARE(count("true"), 4);
    QSqlQuery stamp(other);
    QVERIFY(stamp.exec("select d from accounts_dep.ver") && stamp.next());
    QCOMPARE(stamp.value(0).toInt(), BuildStamp::dateNumber());
    Form1->hide();
}

QTEST_MAIN(TestStandby)
#include "tst_standby.moc"
