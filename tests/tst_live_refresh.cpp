#include "app/application.h"
#include "core/change_notices.h"
#include "core/data_module.h"
#include "journal/entry_editor.h"
#include "journal/entry_statements.h"
#include "journal/journal_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/clock.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"

#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>

// Two real clients on one database: what one commits shows in the other's open windows
// within a second, by the server's announcements, and nothing else is read again.
class TestLiveRefresh : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void payloads_data();
    void payloads();
    void journalFollowsOtherClient_data();
    void journalFollowsOtherClient();
    void otherDayOrShiftLeavesListAlone();
    void announcementBesideOwnAnswer();
    void waitsForOpenDialog();
    void followsAfterReconnect();
    void listsReadAgainAfterReconnect();
    void timesheetFollowsHours();
    void journalFollowsClosing();
    void timesheetFollowsClosing();

private:
    // Runs a statement on the other client's connection.
    static void other(const QString& statement);
    // The entry the other client saves, through the editor's own insert statement.
    QString otherSave(int worker, const QDate& day, int shift) const;
    static QString selectedName() { return DataModule6->Smena1->value("fio").toString(); }

    Fixture::Floor m_floor;
};

namespace {
const QDate Day(2026, 3, 5);
const char* const Other = "other";
const char* const CloseMarch = "insert into accounts_dep.closed_month (month, year) values (3, 2026)";
const char* const ReopenMarch = "delete from accounts_dep.closed_month where year=2026 and month=3";

// The journal's month state: "Месяц закрыт" and adding, changing and deleting off, or neither.
bool journalShowsClosed(bool closed)
{
    if (Form1->Label2->text() != (closed ? QStringLiteral("Месяц закрыт") : QString()))
        return false;
    for (const QPushButton* button : {Form1->Button1, Form1->Button2, Form1->Button3})
        if (button->isEnabled() == closed)
            return false;
    return true;
}
}

void TestLiveRefresh::initTestCase()
{
    TestDb::setUp();
    createForms();
    TestDb::openClient(Other);
}

void TestLiveRefresh::cleanupTestCase()
{
    TestDb::closeClient(Other);
    destroyForms();
    TestDb::tearDown();
}

void TestLiveRefresh::init()
{
    m_floor = Fixture::floorOfTwoEntries(Day);
    Fixture::showJournal(Day);
    QCOMPARE(DataModule6->Smena1->recordCount(), 2);
    DataModule6->Smena1->moveTo(2);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
}

void TestLiveRefresh::cleanup()
{
    Form1->hide();
}

void TestLiveRefresh::other(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(Other));
    QVERIFY2(query.exec(statement), qPrintable(statement + "\n" + query.lastError().text()));
}

QString TestLiveRefresh::otherSave(int worker, const QDate& day, int shift) const
{
    return insertStatement(Fixture::editorEntry(m_floor, worker, day, shift));
}

void TestLiveRefresh::payloads_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<bool>("shiftRead");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("shift");
    QTest::newRow("day and shift") << "2026-03-05 4" << true << QDate(2026, 3, 5) << 4;
    QTest::newRow("everything") << "*" << true << QDate() << 0;
    QTest::newRow("no shift") << "2026-03-05" << false << QDate() << 0;
    QTest::newRow("no date") << "2026-02-30 1" << false << QDate() << 0;
    QTest::newRow("a month") << "2026 3" << false << QDate() << 0;
}

void TestLiveRefresh::payloads()
{
    QFETCH(QString, payload);
    QFETCH(bool, shiftRead);
    QFETCH(QDate, day);
    QFETCH(int, shift);
    const std::optional<ShiftNotice> notice = shiftNotice(payload);
    QCOMPARE(notice.has_value(), shiftRead);
    if (notice) {
        QCOMPARE(notice->day, day);
        QCOMPARE(notice->shift, shift);
        QVERIFY(notice->concerns(QDate(2026, 3, 5), 4));
        QCOMPARE(notice->concerns(QDate(2026, 3, 6), 4), !day.isValid());
    }
    const std::optional<MonthNotice> month = monthNotice(payload);
    QCOMPARE(month.has_value(), payload == "2026 3" || payload == "*");
    if (month)
        QVERIFY(month->concerns(2026, 3) && month->concerns(2026, 4) == (payload == "*"));
}

void TestLiveRefresh::journalFollowsOtherClient_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("mark");
    // Петров sorts between the two: the selection moves with its row.
    QTest::newRow("save") << "" << 3 << "Сидоров С.С." << "no";
    QTest::newRow("accept") << "update accounts_dep.smena set ok='ok' where w_id=%1" << 2 << "Сидоров С.С." << "ok";
    QTest::newRow("delete of the selected row") << "delete from accounts_dep.smena where w_id=%1" << 1
                                                << "Иванов И.И." << "no";
    QTest::newRow("ERP moves an entry here") << "update accounts_dep.smena set data=date '2026-03-05' where data=date '2026-03-04'"
                                             << 3 << "Сидоров С.С." << "no";
}

void TestLiveRefresh::journalFollowsOtherClient()
{
    QFETCH(QString, statement);
    QFETCH(int, rows);
    QFETCH(QString, selected);
    QFETCH(QString, mark);
    Fixture::entry(m_floor, m_floor.petrov, Day.addDays(-1));
    MessageLog log;
    if (statement.isEmpty())
        other(otherSave(m_floor.petrov, Day, 1));
    else
        other(statement.contains("%1") ? statement.arg(m_floor.sidorov) : statement);
    Dataset* list = DataModule6->Smena1;
    QTRY_VERIFY_WITH_TIMEOUT(list->recordCount() == rows && list->value("ok").toString() == mark, 1000);
    QCOMPARE(selectedName(), selected);
    QCOMPARE(Form1->DBGrid2->currentIndex().row(), DataModule6->Smena1->currentRow());
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
}

void TestLiveRefresh::otherDayOrShiftLeavesListAlone()
{
    QSignalSpy reads(DataModule6->Smena1, &Dataset::reset);
    other(otherSave(m_floor.petrov, Day.addDays(1), 1));
    other(otherSave(m_floor.petrov, Day.addDays(-1), 2));
    // Announcements arrive in commit order: once shift 2 of the day shows this one, the two
    // before it have been seen too.
    other(otherSave(m_floor.petrov, Day, 2));
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena2->recordCount(), 1, 1000);
    QCOMPARE(reads.count(), 0);
    QCOMPARE(DataModule6->Smena1->recordCount(), 2);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
    // This client's own save is re-read by its own action, not a second time by its echo.
    TestDb::exec(otherSave(m_floor.petrov, Day, 1));
    QTest::qWait(200);
    QCOMPARE(reads.count(), 0);
}

// An announcement that reached the program with the answer to a statement of its own has been
// read off the socket already: it is taken in all the same.
void TestLiveRefresh::announcementBesideOwnAnswer()
{
    other(otherSave(m_floor.petrov, Day, 1));
    runStatement(TDataModule6::ConnectionName, "select pg_sleep(0.2)");
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena1->recordCount(), 3, 1000);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
}

void TestLiveRefresh::waitsForOpenDialog()
{
    QVERIFY(expectModal<TForm11>([] { QTest::mouseClick(Form1->Button1, Qt::LeftButton); },
                                 [this](TForm11* editor) {
                                     editor->Edit3->setText("7");
                                     other(otherSave(m_floor.petrov, Day, 1));
                                     QTest::qWait(400);
                                     QCOMPARE(DataModule6->Smena1->recordCount(), 2);
                                     QCOMPARE(editor->Edit3->text(), QString("7"));
                                     editor->reject();
                                 }));
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena1->recordCount(), 3, 1000);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
}

void TestLiveRefresh::followsAfterReconnect()
{
    const int pid = TestDb::scalar("select pg_backend_pid()").toInt();
    other(QString("select pg_terminate_backend(%1)").arg(pid));
    MessageLog log;
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);   // meets the ended session
    QCOMPARE(log.texts(), QStringList{LostConnectionText});
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);   // connects again
    QCOMPARE(log.texts().size(), 1);
    DataModule6->Smena1->moveTo(2);
    other(otherSave(m_floor.petrov, Day, 1));
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena1->recordCount(), 3, 1000);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
}

// What was committed while the session was gone was announced to no one: the shown lists are
// read again once the connection is back, whichever action brought it back.
void TestLiveRefresh::listsReadAgainAfterReconnect()
{
    const int pid = TestDb::scalar("select pg_backend_pid()").toInt();
    other(QString("select pg_terminate_backend(%1)").arg(pid));
    other(otherSave(m_floor.petrov, Day, 1));
    MessageLog log;
    QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));   // the version check meets the ended session
    QCOMPARE(log.texts(), QStringList{LostConnectionText});
    QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));   // and connects again
    QCOMPARE(log.texts().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena1->recordCount(), 3, 1000);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
}

void TestLiveRefresh::timesheetFollowsHours()
{
    TestDb::exec(QString("insert into accounts_dep.h_tabel (w_id, smena, month, year, d5) values (%1, 1, 3, 2026, 8), "
                         "(%2, 1, 3, 2026, 6) on conflict (w_id, smena, month, year) do update set d5 = excluded.d5")
                     .arg(m_floor.ivanov)
                     .arg(m_floor.sidorov));
    MessageLog log;
    QVERIFY(expectModal<TForm19>([] { Form19->ShowMonth(Day); }, [this](TForm19* window) {
        Dataset* grid = DataModule6->H_Tabel_1;
        QCOMPARE(grid->recordCount(), 2);
        grid->moveTo(2);
        const int column = window->DBGrid1->columnOf("d5");
        window->DBGrid1->setCurrentIndex(window->DBGrid1->model()->index(1, column));
        QSignalSpy reads(grid, &Dataset::reset);
        other(QString("update accounts_dep.h_tabel set d5=10 where w_id=%1 and month=4").arg(m_floor.sidorov));
        other(QString("insert into accounts_dep.h_tabel (w_id, smena, month, year, d5) values (%1, 2, 3, 2025, 3)")
                  .arg(m_floor.petrov));
        other(QString("update accounts_dep.h_tabel set d5=11 where w_id=%1").arg(m_floor.sidorov));
        QTRY_COMPARE_WITH_TIMEOUT(grid->value("d5").toInt(), 11, 1000);
        QCOMPARE(reads.count(), 2);   // closed and opened once
        QCOMPARE(grid->value("w_id").toInt(), m_floor.sidorov);
        QCOMPARE(window->DBGrid1->currentIndex().column(), column);
        window->close();
    }));
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
}

// Another client closes the listed day's month, then reopens it: the journal says so and
// switches adding, changing and deleting off and on again, without "Обновить"; closing
// another month leaves it alone.
void TestLiveRefresh::journalFollowsClosing()
{
    MessageLog log;
    QVERIFY(journalShowsClosed(false));
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (4, 2026)");
    TestDb::execAsOwner(CloseMarch);
    QTRY_VERIFY_WITH_TIMEOUT(journalShowsClosed(true), 1000);
    TestDb::execAsOwner(ReopenMarch);
    QTRY_VERIFY_WITH_TIMEOUT(journalShowsClosed(false), 1000);
    TestDb::execAsOwner("truncate accounts_dep.closed_month");
    TestDb::execAsOwner(CloseMarch);
    QTRY_VERIFY_WITH_TIMEOUT(journalShowsClosed(true), 1000);
    TestDb::execAsOwner("truncate accounts_dep.closed_month");   // every month reopened
    QTRY_VERIFY_WITH_TIMEOUT(journalShowsClosed(false), 1000);
    QCOMPARE(DataModule6->Smena1->recordCount(), 2);
    QCOMPARE(selectedName(), QString("Сидоров С.С."));
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
}

// The time sheet's "Перестроить" follows another client closing and reopening the shown month;
// the journal under it follows once the time sheet is closed.
void TestLiveRefresh::timesheetFollowsClosing()
{
    MessageLog log;
    QVERIFY(expectModal<TForm19>([] { Form19->ShowMonth(Day); }, [](TForm19* window) {
        QVERIFY(window->Button1->isEnabled());
        TestDb::execAsOwner(CloseMarch);
        QTRY_VERIFY_WITH_TIMEOUT(!window->Button1->isEnabled(), 1000);
        QVERIFY(journalShowsClosed(false));
        TestDb::execAsOwner(ReopenMarch);
        QTRY_VERIFY_WITH_TIMEOUT(window->Button1->isEnabled(), 1000);
        TestDb::execAsOwner(CloseMarch);
        QTRY_VERIFY_WITH_TIMEOUT(!window->Button1->isEnabled(), 1000);
        window->close();
    }));
    QTRY_VERIFY_WITH_TIMEOUT(journalShowsClosed(true), 1000);
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
}

QTEST_MAIN(TestLiveRefresh)
#include "tst_live_refresh.moc"
