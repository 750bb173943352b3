#include "app/application.h"
#include "catalogs/operations_window.h"
#include "catalogs/workers_window.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "core/roles.h"
#include "core/sign_in_window.h"
#include "history/admin_login_dialog.h"
#include "history/change_log_window.h"
#include "history/entry_history_window.h"
#include "history/history_statements.h"
#include "history/month_closing.h"
#include "history/month_closing_window.h"
#include "journal/entry_deletion.h"
#include "journal/entry_editor.h"
#include "journal/entry_statements.h"
#include "journal/journal_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "hours/month_rebuild.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/clock.h"
#include "toolkit/database_error.h"
#include "toolkit/desktop.h"
#include "toolkit/error_guard.h"
#include "toolkit/session.h"
#include "toolkit/transaction.h"

#include <QScopeGuard>
#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>

// The history of journal entries and month closing: what the server keeps and refuses for
// every writer, and the windows that show and steer it.
namespace {

using Fixture::Floor;

const QDate InMarch(2024, 3, 13);      // a Wednesday
const QDate InApril(2024, 4, 10);      // a Wednesday
const QDate InMay(2024, 5, 15);
const char* const Writer = "writer";   // another client's session
const QString MarchClosed = QStringLiteral("Месяц Март 2024 закрыт. Изменения не записаны.");

QString logOf(int entryId)
{
    return TestDb::scalar(QStringLiteral("select string_agg(action, '' order by id) from accounts_dep.smena_log where smena_id=%1")
                              .arg(entryId))
        .toString();
}

QString journalState()
{
    return TestDb::scalar("select coalesce(string_agg(concat_ws('|', id, data, smena, w_id, kol_vo, time, ok), ';' order by id), '') "
                          "from accounts_dep.smena")
        .toString();
}

QString gridState()
{
    return TestDb::scalar("select coalesce(string_agg(concat_ws('|', w_id, smena, month, year, d13, d14), ';' order by id), '') "
                          "from accounts_dep.h_tabel")
        .toString();
}

int logRows()
{
    return TestDb::scalar("select count(*) from accounts_dep.smena_log").toInt();
}

// A login of tabel_admin, and a foreman's own login in tabel_writer.
const AdminLogin Boss{QStringLiteral("tabel_test_boss"), QStringLiteral("b0ss-secret")};
const AdminLogin Foreman{QStringLiteral("tabel_test_foreman"), QStringLiteral("f0reman-secret")};
const QString OnlyAdministrator = QStringLiteral("Закрыть месяц может только администратор БД.");

void closeMarch()
{
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (3, 2024)");
}

// Runs a statement on the other client's session; answers the SQLSTATE it failed with, or
// nothing.
QString writerExec(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(Writer));
    return query.exec(statement) ? QString() : query.lastError().nativeErrorCode();
}

// The program's session ends; its next statement opens a new one.
void reconnect()
{
    QSqlDatabase db = QSqlDatabase::database(TDataModule6::ConnectionName, false);
    db.close();
}

// Runs a script as another client, as sys or as the login given; answers what psql printed and
// whether it succeeded.
QPair<QString, bool> psql(const QString& script, const AdminLogin& login = {QStringLiteral("sys"), {}})
{
    auto process = TestDb::startScript(script, login.name, login.password);
    process->waitForFinished(30000);
    return {QString::fromUtf8(process->readAll()), process->exitCode() == 0};
}

// Answers the administrator's login prompt with a login and password.
std::function<void(AdminLoginDialog*)> signAs(const AdminLogin& login)
{
    return [login](AdminLoginDialog* d) {
        d->Login->setText(login.name);
        d->Password->setText(login.password);
        d->accept();
    };
}

// Picks Ivanov and the floor's operation in the editor and types 10 pieces of 8 hours.
void fillNewEntry(TForm11* editor, int operation)
{
    QVERIFY(expectModal<TForm5>([editor] { QTest::mouseClick(editor->Button3, Qt::LeftButton); }, [](TForm5* list) {
        QVERIFY(DataModule6->Workers->locate("fio", "Иванов И.И."));
        QTest::mouseClick(list->Button2, Qt::LeftButton);
    }));
    QVERIFY(expectModal<TForm4>([editor] { QTest::mouseClick(editor->Button4, Qt::LeftButton); }, [operation](TForm4* list) {
        QVERIFY(DataModule6->Oper->locate("id", operation));
        QTest::mouseClick(list->Button2, Qt::LeftButton);
    }));
    editor->Edit3->setText("10");
    editor->Edit6->setText("8");
}

// The texts of a grid's column, top to bottom.
QStringList columnTexts(DBGrid* grid, const QString& field)
{
    QStringList texts;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        texts << grid->model()->index(row, grid->columnOf(field)).data().toString();
    return texts;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void everyWriterLeavesHistory();
    void oneStatementManyEntries();
    void periodLog_data();
    void periodLog();
    void deletedEntryFromPeriodLog();

    void closedMonthRefusedByServer_data();
    void closedMonthRefusedByServer();
    void closedMonthInTheJournal();
    void closedMonthRefusesTheProgram_data();
    void closedMonthRefusesTheProgram();
    void closedMonthRebuild();
    void refusedWriteKeepsTheList_data();
    void refusedWriteKeepsTheList();
    void closingWindow();
    void closingWaitsForWriters();
    void closingRefusesOlderSnapshot_data();
    void closingRefusesOlderSnapshot();
    void closingRefusesProgramSaveOfOlderSnapshot();
    void truncateRefusedWhileClosed_data();
    void truncateRefusedWhileClosed();
    void onlyAdministratorCloses_data();
    void onlyAdministratorCloses();
    void nameKeptOverReconnect();
    void refusedToEveryButTheOwner_data();
    void refusedToEveryButTheOwner();
    void loginNamedInTheLog();
    void personalLoginFromEnvironment();
    void upgradeOfAnOlderDatabase();

private:
    Floor m_floor;
    QTemporaryDir m_home;
    QStringList m_opened;
};

void TestHistory::initTestCase()
{
    QVERIFY(m_home.isValid());
    useHomeFolder(m_home.path());
    TestDb::setUp();
    TestDb::createLogin(Boss.name, Boss.password, "tabel_admin");
    TestDb::createLogin(Foreman.name, Foreman.password, "tabel_writer");
    createForms();
    TestDb::openClient(Writer);
}

void TestHistory::cleanupTestCase()
{
    TestDb::closeClient(Writer);
    destroyForms();
    TestDb::tearDown();
}

void TestHistory::init()
{
    TestDb::resetData();
    m_floor = Fixture::makeFloor();
    m_opened.clear();
    Desktop::setOpener([this](const QString& path) {
        m_opened << path;
        return true;
    });
    Clock::setToday(InMarch);
    Form1->FSignInCode.clear();
    Form1->FShift = 1;
    Form1->RadioButton1->setChecked(true);
    Form1->CBox1->setChecked(false);
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        set->setParam("ok", "ta");
}

void TestHistory::cleanup()
{
    Form1->hide();
    Desktop::setOpener({});
    Clock::setToday({});
}

// Add, change, move, accept and delete through the journal's windows, and a change from psql:
// each leaves its row, and "История позиции" lists them newest first with who and what.
void TestHistory::everyWriterLeavesHistory()
{
    Session::nameClient(TDataModule6::ConnectionName, clientName(Role::Administrator, "ws-7"),
                        clientAsciiName(Role::Administrator, "ws-7"));
    Form1->DateT->setDate(InMarch);
    Form1->FShiftDataset = DataModule6->Smena1;
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        set->setParam("data", InMarch);
    DataModule6->Smena1->refresh();

    // Add.
    QVERIFY(expectModal<TForm11>([] { QTest::mouseClick(Form1->Button1, Qt::LeftButton); }, [this](TForm11* editor) {
        fillNewEntry(editor, m_floor.operation);
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
    }));
    const int id = TestDb::scalar("select id from accounts_dep.smena").toInt();
    QVERIFY(id > 0);

    // Change the quantity, then move the entry to the next day.
    for (const auto& step : QList<std::function<void(TForm11*)>>{[](TForm11* e) { e->Edit3->setText("12"); },
                                                                  [](TForm11* e) { e->DTimeP->setDate(InMarch.addDays(1)); }}) {
        DataModule6->Smena1->refresh();
        QVERIFY(DataModule6->Smena1->locate("id", id));
        QVERIFY(expectModal<TForm11>([] { QTest::mouseClick(Form1->Button2, Qt::LeftButton); }, [step](TForm11* editor) {
            step(editor);
            QTest::mouseClick(editor->Button1, Qt::LeftButton);
        }));
    }
    // Accept it on its new day.
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        set->setParam("data", InMarch.addDays(1));
    DataModule6->Smena1->refresh();
    Form1->DBGrid2DblClick();
    QCOMPARE(TestDb::scalar(QString("select ok from accounts_dep.smena where id=%1").arg(id)).toString(), QString("ok"));
    // Another client changes the hours.
    const auto other = psql(QString("update accounts_dep.smena set time=7 where id=%1;").arg(id));
    QVERIFY2(other.second, qPrintable(other.first));
    QCOMPARE(logOf(id), QString("IUUUU"));
    QCOMPARE(TestDb::scalar(QString("select string_agg(app, '|' order by id) from accounts_dep.smena_log where smena_id=%1").arg(id))
                 .toString(),
             QString("Табель: администратор @ ws-7|Табель: администратор @ ws-7|Табель: администратор @ ws-7|"
                     "Табель: администратор @ ws-7|psql"));

    // The journal's "История позиции" on the selected entry.
    DataModule6->Smena1->refresh();
    QStringList changes;
    QStringList actions;
    QStringList who;
    QVERIFY(expectModal<TForm24>([] { Form1->N13->trigger(); }, [&](TForm24* w) {
        changes = columnTexts(w->DBGrid1, "changes");
        actions = columnTexts(w->DBGrid1, "act");
        who = columnTexts(w->DBGrid1, "who");
        w->close();
    }));
    QCOMPARE(actions, QStringList({"Изменение", "Изменение", "Изменение", "Изменение", "Добавление"}));
    QCOMPARE(changes.at(0), QString("Часы: 8 → 7"));
    QCOMPARE(changes.at(1), QString("Приемка: no → ok"));
    QCOMPARE(changes.at(2), QString("Дата: 13.03.2024 → 14.03.2024"));
    QCOMPARE(changes.at(3), QString("Кол-во: 10 → 12"));
    QCOMPARE(changes.at(4), QString("Рабочий: Иванов И.И.; Изделие: Ящик Я-1; Операция: Сборка; Кол-во: 10; Брак: 0; "
                                    "Цвет: 0; Часы: 8; Дата: 13.03.2024; Смена: 1; Приемка: no"));
    QCOMPARE(who.at(0), QString("psql (sys)"));
    QCOMPARE(who.at(1), QString("Табель: администратор @ ws-7 (sys)"));

    // Delete it from the journal: the last row, with what it was.
    MessageLog log;
    log.answer({true});
    QVERIFY(DataModule6->Smena1->locate("id", id));
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);
    QCOMPARE(logOf(id), QString("IUUUUD"));
    QCOMPARE(TestDb::scalar(QString("select old_row->>'time' from accounts_dep.smena_log where smena_id=%1 and action='D'").arg(id))
                 .toString(),
             QString("7"));
}

// A statement writing several entries at once (the ERP, a script) logs each of them, an
// update with each entry's own row before and after.
void TestHistory::oneStatementManyEntries()
{
    const auto other = psql("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, time, ok) "
                            "select '2024-03-13', 1, w, 1, 1, 10 * w, 8, 'no' from generate_series(1, 3) w;\n"
                            "update accounts_dep.smena set kol_vo = kol_vo + 1, "
                            "data = case when w_id = 2 then date '2024-03-14' else data end;\n"
                            "delete from accounts_dep.smena where w_id <> 2;\n");
    QVERIFY2(other.second, qPrintable(other.first));
    QCOMPARE(TestDb::scalar("select string_agg(format('%s%s:%s>%s@%s/%s', action, (coalesce(new_row, old_row)->>'w_id'), "
                            "old_row->>'kol_vo', new_row->>'kol_vo', day, coalesce(moved_from::text, '-')), ' ' "
                            "order by action desc, coalesce(new_row, old_row)->>'w_id') "
                            "from accounts_dep.smena_log where smena_id is not null")
                 .toString(),
             QString("U1:10>11@2024-03-13/- U2:20>21@2024-03-14/2024-03-13 U3:30>31@2024-03-13/- "
                     "I1:>10@2024-03-13/- I2:>20@2024-03-13/- I3:>30@2024-03-13/- "
                     "D1:11>@2024-03-13/- D3:31>@2024-03-13/-"));
    QCOMPARE(TestDb::scalar("select count(distinct smena_id) from accounts_dep.smena_log").toInt(), 3);
}

void TestHistory::periodLog_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("worker");   // 0 every worker, 1 Ivanov, 2 Petrov
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("period");
    // "action:entry" newest first; M for a closing of a month, R for a reopening
    QTest::addColumn<QString>("listed");
    const int byEntry = int(LogPeriod::EntryDate);
    const int byChange = int(LogPeriod::ChangeDate);
    const int any = int(LoggedAction::Any);
    QTest::newRow("march, everything") << QDate(2024, 3, 1) << QDate(2024, 3, 31) << 0 << any << byEntry << "M U:1 D:3 I:3 I:2 I:1";
    QTest::newRow("april: the move in, closed and reopened") << QDate(2024, 4, 1) << QDate(2024, 4, 30) << 0 << any << byEntry
                                                             << "R M U:1 I:4";
    QTest::newRow("one day") << InMarch << InMarch << 0 << any << byEntry << "U:1 D:3 I:3 I:1";
    QTest::newRow("petrov") << QDate(2024, 3, 1) << QDate(2024, 3, 31) << 2 << any << byEntry << "D:3 I:3 I:2";
    QTest::newRow("deletions") << QDate(2024, 3, 1) << QDate(2024, 3, 31) << 0 << int(LoggedAction::Deleted) << byEntry << "D:3";
    QTest::newRow("changes of ivanov") << QDate(2024, 3, 1) << QDate(2024, 3, 31) << 1 << int(LoggedAction::Changed) << byEntry << "U:1";
    QTest::newRow("closings") << QDate(2024, 3, 1) << QDate(2024, 4, 30) << 0 << int(LoggedAction::Closed) << byEntry << "M M";
    QTest::newRow("reopenings") << QDate(2024, 3, 1) << QDate(2024, 4, 30) << 0 << int(LoggedAction::Reopened) << byEntry << "R";
    // Every change is made today, whatever the entries' days.
    const QDate today = TestDb::scalar("select current_date").toDate();
    QTest::newRow("made today") << today << today << 0 << any << byChange << "M R M U:1 I:4 D:3 I:3 I:2 I:1";
    QTest::newRow("made this month, by petrov's entries") << QDate(today.year(), today.month(), 1) << today << 2 << any << byChange
                                                          << "D:3 I:3 I:2";
    QTest::newRow("reopenings made today") << today << today << 0 << int(LoggedAction::Reopened) << byChange << "R";
    QTest::newRow("made in march 2024: none") << QDate(2024, 3, 1) << QDate(2024, 3, 31) << 0 << any << byChange << "";
}

// The period is the entries' days (a move counts in both months) or the days the changes were
// made, as chosen and said; then the worker and the action, closings and reopenings included.
void TestHistory::periodLog()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, worker);
    QFETCH(int, action);
    QFETCH(int, period);
    QFETCH(QString, listed);
    const int e1 = Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    const int e2 = Fixture::entry(m_floor, m_floor.petrov, QDate(2024, 3, 20));
    const int e3 = Fixture::entry(m_floor, m_floor.petrov, InMarch);
    TestDb::exec(QString("delete from accounts_dep.smena where id=%1").arg(e3));
    const int e4 = Fixture::entry(m_floor, m_floor.ivanov, InApril);
    TestDb::exec(QString("update accounts_dep.smena set data='2024-04-02' where id=%1").arg(e1));
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (4, 2024)");
    TestDb::execAsOwner("delete from accounts_dep.closed_month where month=4 and year=2024");
    closeMarch();
    const QMap<int, QString> names{{e1, "1"}, {e2, "2"}, {e3, "3"}, {e4, "4"}};
    const int workerId = worker == 1 ? m_floor.ivanov : worker == 2 ? m_floor.petrov : 0;

    QStringList rows;
    QVERIFY(expectModal<TForm25>([&] { Form25->ShowPeriod(from, to); }, [&](TForm25* w) {
        if (workerId) {
            w->ComboBox1->setCurrentIndex(w->ComboBox1->findData(workerId));
            emit w->ComboBox1->activated(w->ComboBox1->currentIndex());
        }
        if (action) {
            w->ComboBox2->setCurrentIndex(w->ComboBox2->findData(action));
            emit w->ComboBox2->activated(w->ComboBox2->currentIndex());
        }
        w->ComboBox3->setCurrentIndex(w->ComboBox3->findData(period));
        emit w->ComboBox3->activated(w->ComboBox3->currentIndex());
        for (int row = 0; row < w->Changes->recordCount(); ++row) {
            const QVariant entryId = w->Changes->value(row, w->Changes->fieldIndex("smena_id"));
            const QString act = w->Changes->value(row, w->Changes->fieldIndex("act")).toString();
            if (entryId.isNull())
                rows << (act == "Закрытие месяца" ? "M" : act == "Открытие месяца" ? "R" : "?");
            else
                rows << QString("%1:%2").arg(act == "Добавление" ? "I" : act == "Изменение" ? "U" : "D", names.value(entryId.toInt()));
        }
        QCOMPARE(w->Label5->text(), QString("Изменений: %1 (%2)")
                                        .arg(rows.size())
                                        .arg(period == int(LogPeriod::ChangeDate) ? "по дате изменения" : "по дате позиции"));
        w->ComboBox3->setCurrentIndex(0);
        w->close();
    }));
    QCOMPARE(rows.join(' '), listed);
}

// A deleted entry's history opens from the period log, and the log goes to a spreadsheet.
void TestHistory::deletedEntryFromPeriodLog()
{
    const int id = Fixture::entry(m_floor, m_floor.sidorov, InMarch);
    TestDb::exec(QString("update accounts_dep.smena set kol_vo=15, brak=2 where id=%1").arg(id));
    TestDb::exec(QString("delete from accounts_dep.smena where id=%1").arg(id));
    QStringList history;
    QVERIFY(expectModal<TForm25>([] { Form25->ShowPeriod(QDate(2024, 3, 1), QDate(2024, 3, 31)); }, [&](TForm25* w) {
        QCOMPARE(w->Changes->recordCount(), 3);
        QCOMPARE(w->Changes->value("act").toString(), QString("Удаление"));
        QCOMPARE(w->Changes->value("fio").toString(), QString("Сидоров С.С."));
        QVERIFY(expectModal<TForm24>([w] { QTest::mouseClick(w->Button1, Qt::LeftButton); }, [&](TForm24* h) {
            history = columnTexts(h->DBGrid1, "act");
            QCOMPARE(h->Label1->text(), QString("Позиция № %1").arg(id));
            QCOMPARE(columnTexts(h->DBGrid1, "changes").at(1), QString("Кол-во: 10 → 15; Брак: 0 → 2"));
            // However narrow the window, the changes read whole: wrapped in a row as high as
            // they need, and under the mouse.
            h->resize(1100, 400);
            QCoreApplication::processEvents();
            const int column = h->DBGrid1->columnOf("changes");
            bool wrapped = false;   // some text takes more than one line here
            for (int row = 0; row < h->DBGrid1->model()->rowCount(); ++row) {
                const QModelIndex cell = h->DBGrid1->model()->index(row, column);
                const QString text = cell.data().toString();
                QCOMPARE(cell.data(Qt::ToolTipRole).toString(), text);
                const QRect room = h->DBGrid1->visualRect(cell);
                const int needed = h->DBGrid1->fontMetrics().boundingRect(QRect(0, 0, room.width() - 8, 10000), Qt::TextWordWrap, text).height();
                QVERIFY2(room.height() >= needed, qPrintable(QString("%1 < %2: %3").arg(room.height()).arg(needed).arg(text)));
                wrapped = wrapped || needed > h->DBGrid1->fontMetrics().height() * 3 / 2;
            }
            QVERIFY(wrapped);
            h->close();
        }));
        QTest::mouseClick(w->Button2, Qt::LeftButton);
        w->close();
    }));
    QCOMPARE(history, QStringList({"Удаление", "Изменение", "Добавление"}));

    QCOMPARE(m_opened.size(), 1);
    const XlsxSheet sheet = XlsxSheet::read(m_opened.first());
    QCOMPARE(sheet.text(1, 1), QString("Журнал изменений 01.03.2024 - 31.03.2024 по дате позиции"));
    QCOMPARE(sheet.text(3, 2), QString("Действие"));
    QCOMPARE(sheet.text(3, 3), QString("Удаление"));
    // When and the entry's date are dates the spreadsheet counts with: day numbers from
    // 30.12.1899 in a date format.
    const XlsxCell when = sheet.cell(1, 3);
    QVERIFY(when.number);
    QCOMPARE(when.numberFormat, QString("dd.mm.yyyy hh:mm:ss"));
    const QDateTime now = TestDb::scalar("select localtimestamp(0)").toDateTime();
    const double serialNow = QDate(1899, 12, 30).daysTo(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
    QVERIFY2(qAbs(when.value.toDouble() - serialNow) < 60.0 / 86400, qPrintable(when.value));
    const XlsxCell day = sheet.cell(5, 3);
    QVERIFY(day.number);
    QCOMPARE(day.numberFormat, QString("dd.mm.yyyy"));
    QCOMPARE(day.value.toDouble(), double(QDate(1899, 12, 30).daysTo(InMarch)));
    QCOMPARE(sheet.text(4, 3), QString::number(id));
    QVERIFY(sheet.cell(4, 3).number);
    QCOMPARE(sheet.text(8, 4), QString("Кол-во: 10 → 15; Брак: 0 → 2"));
    QVERIFY(!sheet.has(1, 6));
}

void TestHistory::closedMonthRefusedByServer_data()
{
    QTest::addColumn<QString>("statement");   // %1 the March entry, %2 the April entry
    QTest::newRow("insert") << "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, time, ok) "
                               "values ('2024-03-29', 1, 1, 1, 1, 1, 1, 'no')";
    QTest::newRow("update") << "update accounts_dep.smena set kol_vo=99 where id=%1";
    QTest::newRow("accept") << "update accounts_dep.smena set ok='ok' where id=%1";
    QTest::newRow("delete") << "delete from accounts_dep.smena where id=%1";
    QTest::newRow("move out") << "update accounts_dep.smena set data='2024-04-01' where id=%1";
    QTest::newRow("move in") << "update accounts_dep.smena set data='2024-03-31' where id=%2";
    QTest::newRow("grid insert") << "insert into accounts_dep.h_tabel (w_id, smena, month, year) values (77, 1, 3, 2024)";
    QTest::newRow("grid update") << "update accounts_dep.h_tabel set d13=1 where month=3";
    QTest::newRow("grid move in") << "update accounts_dep.h_tabel set month=3 where month=4 and w_id<>(select w_id from accounts_dep.smena where id=%2)";
    QTest::newRow("grid delete") << "delete from accounts_dep.h_tabel where month=3 and year=2024";
    QTest::newRow("both months at once") << "update accounts_dep.smena set kol_vo=kol_vo+1";
    QTest::newRow("grid, both months at once") << "update accounts_dep.h_tabel set d14=d14+1";
}

// Another client (psql) is refused with the message for every write into a closed month;
// reopening lets the same statement through, and both are logged.
void TestHistory::closedMonthRefusedByServer()
{
    QFETCH(QString, statement);
    const int march = Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    const int april = Fixture::entry(m_floor, m_floor.ivanov, InApril);
    Fixture::hoursRow(m_floor.ivanov, 1, InMarch, {{13, 8}});
    Fixture::hoursRow(m_floor.petrov, 1, InApril, {{10, 8}});
    closeMarch();
    const QString journal = journalState();
    const QString grid = gridState();
    const int logged = logRows();
    const QString sql = QString(statement).replace("%1", QString::number(march)).replace("%2", QString::number(april)) + ';';

    const auto refused = psql(sql);
    QVERIFY(!refused.second);
    QVERIFY2(refused.first.contains("ERROR:  " + MarchClosed), qPrintable(refused.first));
    QCOMPARE(journalState(), journal);
    QCOMPARE(gridState(), grid);
    QCOMPARE(logRows(), logged);
    const auto state = psql("\\set VERBOSITY verbose\n" + sql);
    QVERIFY2(state.first.contains("ERROR:  TB001: " + MarchClosed), qPrintable(state.first));

    const auto reopened = psql("select accounts_dep.reopen_month(3, 2024);\n" + sql, Boss);
    QVERIFY2(reopened.second, qPrintable(reopened.first));
    QVERIFY(journalState() != journal || gridState() != grid);
    QCOMPARE(TestDb::scalar("select string_agg(action, '' order by id) from accounts_dep.smena_log where smena_id is null").toString(),
             QString("ID"));
}

// On a day of a closed month the journal says so and takes no change; the same day's list of
// an open month takes them again.
void TestHistory::closedMonthInTheJournal()
{
    const int id = Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    closeMarch();
    Form1->show();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    QCOMPARE(Form1->Label2->text(), QString("Месяц закрыт"));
    const int dateX = Form1->DateT->mapTo(Form1, QPoint()).x();
    for (QPushButton* button : {Form1->Button1, Form1->Button2, Form1->Button3})
        QVERIFY(!button->isEnabled());
    QVERIFY(Form1->Button8->isEnabled());
    Form1->DBGrid2DblClick();
    QCOMPARE(TestDb::scalar(QString("select ok from accounts_dep.smena where id=%1").arg(id)).toString(), QString("no"));

    Form1->DateT->setFocus();
    Form1->DateT->setDate(InApril);
    QTest::keyClick(Form1->DateT, Qt::Key_Return);
    QCOMPARE(Form1->Label2->text(), QString());
    QCOMPARE(Form1->DateT->mapTo(Form1, QPoint()).x(), dateX);
    for (QPushButton* button : {Form1->Button1, Form1->Button2, Form1->Button3})
        QVERIFY(button->isEnabled());

    // Reopened from the journal's own menu: March takes changes again.
    MessageLog log;
    log.answer({true});
    Form1->DateT->setDate(InMarch);
    QTest::keyClick(Form1->DateT, Qt::Key_Return);
    QVERIFY(!Form1->Button1->isEnabled());
    QVERIFY(expectModal<TForm26>([] { Form1->N15->trigger(); }, [](TForm26* w) {
        QVERIFY(w->Months->locate("month", 3));
        QVERIFY(expectModal<AdminLoginDialog>([w] { QTest::mouseClick(w->Button2, Qt::LeftButton); }, signAs(Boss)));
        w->close();
    }));
    QCOMPARE(Form1->Label2->text(), QString());
    QVERIFY(Form1->Button1->isEnabled());
}

void TestHistory::closedMonthRefusesTheProgram_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("add") << "add";
    QTest::newRow("move in from the editor") << "move in";
    QTest::newRow("delete") << "delete";
    QTest::newRow("accept") << "accept";
}

// A client that does not look (an older build) is refused by the server all the same: the
// user reads the server's message, and neither the entry nor its hours are written.
void TestHistory::closedMonthRefusesTheProgram()
{
    QFETCH(QString, action);
    const int march = Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    const int april = Fixture::entry(m_floor, m_floor.petrov, InApril);
    Fixture::hoursRow(m_floor.ivanov, 1, InMarch, {{13, 8}});
    Fixture::hoursRow(m_floor.petrov, 1, InApril, {{10, 8}});
    closeMarch();
    const QString journal = journalState();
    const QString grid = gridState();
    const int logged = logRows();
    const QDate listed = action == "move in" ? InApril : InMarch;
    Form1->DateT->setDate(listed);
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        set->setParam("data", listed);
    DataModule6->Smena1->refresh();
    Form1->FShiftDataset = DataModule6->Smena1;

    MessageLog log;
    log.answer({true});
    if (action == "add" || action == "move in") {
        if (action == "move in")
            QVERIFY(DataModule6->Smena1->locate("id", april));
        bool stayed = false;
        QPushButton* opener = action == "add" ? Form1->Button1 : Form1->Button2;
        QVERIFY(expectModal<TForm11>([opener] { QTest::mouseClick(opener, Qt::LeftButton); }, [&](TForm11* e) {
            if (action == "add")
                fillNewEntry(e, m_floor.operation);
            e->DTimeP->setDate(QDate(2024, 3, 28));
            QTest::mouseClick(e->Button1, Qt::LeftButton);
            stayed = e->isVisible();
            e->reject();
        }));
        QVERIFY(stayed);
    } else if (action == "delete") {
        guarded([] { deleteSelectedEntry(*DataModule6->Smena1); });
    } else {
        guarded([] {
            Form1->updtOK->setParam("ok", "ok");
            Form1->updtOK->setParam("id", DataModule6->Smena1->value("id").toInt());
            Form1->updtOK->execute();
        });
    }
    QVERIFY(!log.shown().isEmpty());
    QCOMPARE(log.shown().last().text, MarchClosed);
    QCOMPARE(log.shown().last().caption, QString("Ошибка"));
    QVERIFY(log.shown().last().icon == MessageBox::Icon::Stop);
    QCOMPARE(journalState(), journal);
    QCOMPARE(gridState(), grid);
    QCOMPARE(logRows(), logged);
    Q_UNUSED(march);
}

void TestHistory::refusedWriteKeepsTheList_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("accept") << "accept";
    QTest::newRow("delete") << "delete";
}

// Acceptance and deletion send their write and the list read again as one query. Closed
// elsewhere after the journal read the month's state, the month refuses the write: the user
// reads the server's message, nothing is written, and the list shows what it showed.
void TestHistory::refusedWriteKeepsTheList()
{
    QFETCH(QString, action);
    Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    Fixture::entry(m_floor, m_floor.petrov, InMarch);
    Fixture::showJournal(InMarch);
    Dataset* list = DataModule6->Smena1;
    QCOMPARE(list->recordCount(), 2);
    list->moveTo(2);
    const QVariant selected = list->value("id");
    closeMarch();   // the journal hears of it only once back in its event loop
    const QString journal = journalState();
    MessageLog log;
    log.answer({true});
    if (action == "accept")
        guarded([] { Form1->DBGrid2DblClick(); });
    else
        guarded([] { QTest::mouseClick(Form1->Button3, Qt::LeftButton); });
    QCOMPARE(log.shown().last().text, MarchClosed);
    QCOMPARE(journalState(), journal);
    QVERIFY(list->isOpen());
    QCOMPARE(list->recordCount(), 2);
    QCOMPARE(list->value("id"), selected);
    QCOMPARE(list->value("ok").toString(), QString("no"));
}

// "Перестроить" is off for a closed month; a rebuild that runs anyway is refused whole.
void TestHistory::closedMonthRebuild()
{
    Fixture::entry(m_floor, m_floor.ivanov, InMarch, 1, 6);
    Fixture::hoursRow(m_floor.ivanov, 1, InMarch, {{13, 8}});
    closeMarch();
    const QString grid = gridState();
    bool rebuildOn = true;
    QVERIFY(expectModal<TForm19>([] { Form19->ShowMonth(InMarch); }, [&](TForm19* w) {
        rebuildOn = w->Button1->isEnabled();
        // The rebuild says why it is off, on the button and beside it.
        QCOMPARE(w->Button1->toolTip(), QString("Месяц закрыт: перестроение недоступно"));
        QCOMPARE(w->Label1->text(), QString("Месяц закрыт: перестроение недоступно"));
        w->ComboBox1->setCurrentIndex(3);
        emit w->ComboBox1->activated(3);
        QVERIFY(w->Button1->isEnabled());
        QVERIFY(w->Button1->toolTip().isEmpty());
        QVERIFY(w->Label1->text().isEmpty());
        w->close();
    }));
    QVERIFY(!rebuildOn);
    MessageLog log;
    guarded([] { rebuildMonth(3, 2024); });
    QCOMPARE(log.texts(), QStringList{MarchClosed});
    QCOMPARE(gridState(), grid);
}

// The closing window: months with entries, each open or closed with when and by whom; both
// commands ask first, then for an administrator's login, which the server takes or refuses;
// closing and reopening are logged under that login, beside the program's name.
void TestHistory::closingWindow()
{
    Session::nameClient(TDataModule6::ConnectionName, clientName(Role::Administrator, "ws-1"),
                        clientAsciiName(Role::Administrator, "ws-1"));
    Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    Fixture::entry(m_floor, m_floor.ivanov, InApril);
    Fixture::entry(m_floor, m_floor.ivanov, QDate(2023, 12, 31));
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year, closed_by) values (1, 2022, 'бухгалтерия')");
    MessageLog log;
    log.answer({false, true, true, true, true, true});
    QVERIFY(expectModal<TForm26>([] { Form26->ShowMonths(); }, [&](TForm26* w) {
        QCOMPARE(columnTexts(w->DBGrid1, "caption"), QStringList({"Апрель 2024", "Март 2024", "Декабрь 2023", "Январь 2022"}));
        QCOMPARE(columnTexts(w->DBGrid1, "state"), QStringList({"открыт", "открыт", "открыт", "закрыт"}));
        QCOMPARE(columnTexts(w->DBGrid1, "closed_by").last(), QString("бухгалтерия"));
        w->DBGrid1->selectRow(1);
        QVERIFY(w->Button1->isEnabled());
        QVERIFY(!w->Button2->isEnabled());
        QCOMPARE(w->Button1->text(), QString("Закрыть месяц"));
        QCOMPARE(w->Button2->text(), QString("Открыть месяц"));
        // The four columns fit the window as it opens: nothing to scroll sideways.
        QVERIFY(w->DBGrid1->horizontalHeader()->length() <= w->DBGrid1->viewport()->width());
        const auto close = [w] { QTest::mouseClick(w->Button1, Qt::LeftButton); };
        close();   // No: no login asked
        QVERIFY(!monthClosed(InMarch));
        QVERIFY(expectModal<AdminLoginDialog>(close, [](AdminLoginDialog* d) { d->reject(); }));
        QVERIFY(!monthClosed(InMarch));
        // A wrong password is said so and the login asked again at once, not the question.
        QVERIFY(expectModal<AdminLoginDialog>(close, [](AdminLoginDialog* d) {
            signAs({Boss.name, "wrong"})(d);
            whenModal<AdminLoginDialog>([](AdminLoginDialog* again) {
                QCOMPARE(again->Login->text(), Boss.name);
                QCOMPARE(again->Password->text(), QString());
                again->reject();
            });
        }));
        QVERIFY(!monthClosed(InMarch));
        QVERIFY(expectModal<AdminLoginDialog>(close, signAs(Foreman)));
        QVERIFY(!monthClosed(InMarch));
        QVERIFY(expectModal<AdminLoginDialog>(close, [](AdminLoginDialog* d) {
            // the login given last is filled in, never a password
            QCOMPARE(d->Login->text(), Foreman.name);
            QCOMPARE(d->Password->text(), QString());
            signAs(Boss)(d);
        }));
        QVERIFY(monthClosed(InMarch));
        QCOMPARE(w->Months->value("caption").toString(), QString("Март 2024"));
        QCOMPARE(w->Months->value("state").toString(), QString("закрыт"));
        QCOMPARE(w->Months->value("closed_by").toString(), Boss.name);
        QVERIFY(!w->Button1->isEnabled());
        QVERIFY(w->Button2->isEnabled());
        const QString closedWhen = w->Months->value("closed_when").toString();
        QVERIFY(expectModal<AdminLoginDialog>([w] { QTest::mouseClick(w->Button2, Qt::LeftButton); }, [](AdminLoginDialog* d) {
            QCOMPARE(d->Login->text(), Boss.name);
            QCOMPARE(d->Password->text(), QString());
            signAs(Boss)(d);
        }));
        QVERIFY(!monthClosed(InMarch));
        QCOMPARE(w->Months->value("state").toString(), QString("открыт"));
        // Opened again, the month keeps its last closing in sight: when and by whom.
        QVERIFY(w->Months->value("closed_at").isNull());
        QCOMPARE(columnTexts(w->DBGrid1, "closed_when").at(1), "был закрыт " + closedWhen);
        QCOMPARE(columnTexts(w->DBGrid1, "closed_by").at(1), "(" + Boss.name + ")");
        QVERIFY(columnTexts(w->DBGrid1, "closed_when").at(0).isEmpty());   // April was never closed
        QVERIFY(w->Button1->isEnabled());
        w->close();
    }));
    QCOMPARE(log.shown().size(), 10);
    QCOMPARE(log.shown().at(0).caption, QString("Закрытие месяца"));
    QVERIFY(log.shown().at(0).text.startsWith("Закрыть табель за март 2024 г.?"));
    QCOMPARE(log.shown().at(3).text, QString("Неверное имя или пароль."));
    QCOMPARE(log.shown().at(3).caption, QString("Ошибка"));
    QVERIFY2(log.shown().at(3).detail.contains("password authentication failed"), qPrintable(log.shown().at(3).detail));
    QCOMPARE(log.shown().at(5).text, OnlyAdministrator);
    QCOMPARE(log.shown().at(7).text, QString("Март 2024 г. закрыт."));
    QVERIFY(log.shown().at(8).text.startsWith("Открыть табель за март 2024 г.?"));
    QCOMPARE(log.shown().at(8).caption, QString("Открытие месяца"));
    QCOMPARE(log.shown().at(9).text, QString("Март 2024 г. открыт."));
    // No session of the administrator's stays open (a closed one leaves the server a moment later).
    QTRY_COMPARE_WITH_TIMEOUT(
        TestDb::scalar(QString("select count(*) from pg_stat_activity where usename='%1' and datname=current_database()").arg(Boss.name))
            .toInt(),
        0, 5000);
    QCOMPARE(TestDb::scalar("select string_agg(action||':'||(coalesce(new_row, old_row)->>'month')||':'||db_user||':'||app, ' ' order by id) "
                            "from accounts_dep.smena_log where smena_id is null and (coalesce(new_row, old_row)->>'month')='3'")
                 .toString(),
             QString("I:3:%1:Табель: администратор @ ws-1 D:3:%1:Табель: администратор @ ws-1").arg(Boss.name));
}

// A client that began writing into the month before it was closed finishes first; one that
// writes after it is refused.
void TestHistory::closingWaitsForWriters()
{
    auto writer = TestDb::startScript(QString("begin;\n"
                                              "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, kol_vo, time, ok) "
                                              "values ('2024-03-20', 1, %1, %2, %3, 5, 4, 'no');\n"
                                              "select pg_sleep(1);\ncommit;\n")
                                          .arg(m_floor.petrov)
                                          .arg(m_floor.product)
                                          .arg(m_floor.operation));
    QTRY_COMPARE(TestDb::scalar("select count(*) from pg_locks l join pg_class c on c.oid=l.relation "
                                "where c.relname='smena' and l.mode='RowExclusiveLock' and l.pid<>pg_backend_pid()")
                     .toInt(),
                 1);
    closeMonth(3, 2024, Boss);
    QVERIFY(writer->waitForFinished(30000));
    QCOMPARE(writer->exitCode(), 0);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 1);
    // Its row was logged before the closing.
    QCOMPARE(TestDb::scalar("select string_agg(case when smena_id is null then 'M' else action end, '' order by id) "
                            "from accounts_dep.smena_log")
                 .toString(),
             QString("IM"));
    const auto late = psql(QString("insert into accounts_dep.smena (data, smena, w_id, kol_vo, time, ok) "
                                   "values ('2024-03-21', 1, %1, 1, 1, 'no');")
                               .arg(m_floor.petrov));
    QVERIFY(late.first.contains(MarchClosed));
}

void TestHistory::closingRefusesOlderSnapshot_data()
{
    QTest::addColumn<QString>("isolation");
    QTest::addColumn<QString>("statement");   // %1 the April entry, %2 the May entry
    QTest::addColumn<QString>("refusal");     // SQLSTATE
    const QList<QPair<const char*, const char*>> writes{
        {"insert", "insert into accounts_dep.smena (data, smena, w_id, kol_vo, time, ok) values ('2024-04-11', 1, 1, 1, 1, 'no')"},
        {"update", "update accounts_dep.smena set kol_vo=99 where id=%1"},
        {"delete", "delete from accounts_dep.smena where id=%1"},
        {"move in", "update accounts_dep.smena set data='2024-04-30' where id=%2"},
        {"grid insert", "insert into accounts_dep.h_tabel (w_id, smena, month, year) values (77, 1, 4, 2024)"},
        {"grid update", "update accounts_dep.h_tabel set d10=1 where month=4"},
        {"grid delete", "delete from accounts_dep.h_tabel where month=4"},
    };
    for (const char* isolation : {"repeatable read", "serializable"})
        for (const auto& [name, statement] : writes)
            QTest::addRow("%s, %s", isolation, name) << isolation << statement << "40001";
    // Each statement's snapshot sees the closing.
    QTest::newRow("read committed, insert") << "read committed" << writes.first().second << "TB001";
    QTest::newRow("read committed, grid insert") << "read committed" << writes.at(4).second << "TB001";
}

// Another client's transaction took its snapshot before April was closed, then writes into
// April: refused, never stored. A transaction begun after the closing writes other months.
void TestHistory::closingRefusesOlderSnapshot()
{
    QFETCH(QString, isolation);
    QFETCH(QString, statement);
    QFETCH(QString, refusal);
    const int april = Fixture::entry(m_floor, m_floor.ivanov, InApril);
    const int may = Fixture::entry(m_floor, m_floor.petrov, InMay);
    Fixture::hoursRow(m_floor.ivanov, 1, InApril, {{10, 8}});
    const QString journal = journalState();
    const QString grid = gridState();
    const int logged = logRows();

    QCOMPARE(writerExec("begin isolation level " + isolation), QString());
    QCOMPARE(writerExec("select count(*) from accounts_dep.closed_month"), QString());
    closeMonth(4, 2024, Boss);
    QCOMPARE(writerExec(QString(statement).replace("%1", QString::number(april)).replace("%2", QString::number(may))), refusal);
    QCOMPARE(writerExec("rollback"), QString());
    QCOMPARE(journalState(), journal);
    QCOMPARE(gridState(), grid);
    QCOMPARE(logRows(), logged + 1);   // the closing

    QCOMPARE(writerExec("begin isolation level " + isolation), QString());
    QCOMPARE(writerExec(QString("update accounts_dep.smena set kol_vo=7 where id=%1").arg(may)), QString());
    QCOMPARE(writerExec("insert into accounts_dep.h_tabel (w_id, smena, month, year) values (77, 1, 5, 2024)"), QString());
    QCOMPARE(writerExec("commit"), QString());
    QCOMPARE(TestDb::scalar(QString("select kol_vo from accounts_dep.smena where id=%1").arg(may)).toInt(), 7);
}

// A session of the program set to repeatable read (a database's default does not reach it): its
// save, in a transaction that read before another client closed the month, is refused whole.
void TestHistory::closingRefusesProgramSaveOfOlderSnapshot()
{
    Fixture::hoursRow(m_floor.ivanov, 1, InApril, {{10, 8}});
    const QString database = TestDb::databaseName();
    TestDb::execAsSuperuser(QString("alter database %1 set default_transaction_isolation = 'repeatable read'").arg(database));
    auto restore = qScopeGuard([database] {
        TestDb::execAsSuperuser(QString("alter database %1 reset default_transaction_isolation").arg(database));
        reconnect();
    });
    reconnect();
    // The program's own session stays read committed whatever the database's default; one that
    // asks for repeatable read itself, as an ERP's may, is what the rule is for.
    QCOMPARE(TestDb::scalar("select current_setting('transaction_isolation')").toString(), QString("read committed"));
    TestDb::exec("set default_transaction_isolation to 'repeatable read'");
    const QString journal = journalState();
    const QString grid = gridState();
    const EntryValues e = Fixture::editorEntry(m_floor, m_floor.ivanov, InApril);

    QString refusal;
    try {
        Transaction t(QLatin1String(TDataModule6::ConnectionName));
        QCOMPARE(TestDb::scalar("select current_setting('transaction_isolation')").toString(), QString("repeatable read"));
        QVERIFY(!monthClosed(InApril));
        const auto closing = psql("select accounts_dep.close_month(4, 2024);", Boss);
        QVERIFY2(closing.second, qPrintable(closing.first));
        DataModule6->SQL_exec->execute(insertStatement(e));
        t.commit();
    } catch (const DatabaseError& error) {
        refusal = error.message();
    }
    QVERIFY2(refusal.contains("could not serialize"), qPrintable(refusal));
    QCOMPARE(journalState(), journal);
    QCOMPARE(gridState(), grid);
}

void TestHistory::truncateRefusedWhileClosed_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("message");
    QTest::newRow("journal") << "smena" << "tabel_smena"
                             << "Журнал нельзя очистить целиком, пока есть закрытые месяцы. Изменения не записаны.";
    QTest::newRow("grid") << "h_tabel" << "tabel_h_tabel"
                          << "Табель часов нельзя очистить целиком, пока есть закрытые месяцы. Изменения не записаны.";
}

// Emptying the journal or the grid whole is refused while any month is closed, even one with
// nothing in it; with every month open it goes through and is announced.
void TestHistory::truncateRefusedWhileClosed()
{
    QFETCH(QString, table);
    QFETCH(QString, channel);
    QFETCH(QString, message);
    Fixture::entry(m_floor, m_floor.ivanov, InApril);
    Fixture::hoursRow(m_floor.ivanov, 1, InApril, {{10, 8}});
    closeMarch();
    const QString journal = journalState();
    const QString grid = gridState();
    const QString truncate = QString("\\set VERBOSITY verbose\nlisten %1;\ntruncate accounts_dep.%2;\n").arg(channel, table);

    // The owner alone may truncate; a superuser is refused all the same.
    const AdminLogin superuser{QStringLiteral("postgres"), {}};
    const auto refused = psql(truncate, superuser);
    QVERIFY(!refused.second);
    QVERIFY2(refused.first.contains("ERROR:  TB001: " + message), qPrintable(refused.first));
    QCOMPARE(journalState(), journal);
    QCOMPARE(gridState(), grid);

    TestDb::execAsOwner("delete from accounts_dep.closed_month");
    const auto emptied = psql(truncate, superuser);
    QVERIFY2(emptied.second, qPrintable(emptied.first));
    // psql's own words follow the locale: the channel and the payload are what matter.
    QVERIFY2(emptied.first.contains('"' + channel + '"') && emptied.first.contains("\"*\""), qPrintable(emptied.first));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep." + table).toInt(), 0);
}

void TestHistory::onlyAdministratorCloses_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("administrator");
    QTest::addColumn<QString>("role");
    QTest::newRow("planner") << "quaxil" << false << "planner";
    QTest::newRow("master") << "dovrent" << false << "master";
    QTest::newRow("warehouse") << "piwun" << false << "warehouse";
    QTest::newRow("administrator") << "9723" << true << "administrator";
}

// Only the administrator sees the change log and month closing; every role's session is named
// after it, on the server and in the history.
void TestHistory::onlyAdministratorCloses()
{
    QFETCH(QString, code);
    QFETCH(bool, administrator);
    QFETCH(QString, role);
    bool seesHistory = false;
    QMap<QString, bool> sees;
    QString application;
    QString client;
    QVERIFY(expectModal<TForm1>(
        [code] {
            Form23->Edit1->setText(code);
            QTest::mouseClick(Form23->Button1, Qt::LeftButton);
        },
        [&](TForm1* w) {
            seesHistory = w->N16->actions().contains(w->N13) && w->DBGrid2->actions().contains(w->N13);
            sees.insert("N14", w->N16->actions().contains(w->N14));
            sees.insert("N15", w->N16->actions().contains(w->N15));
            application = TestDb::scalar("select current_setting('application_name')").toString();
            client = TestDb::scalar("select accounts_dep.writer_name()").toString();
            w->close();
        }));
    // The sign-in's switches last for the run; the next row starts from a journal as created.
    for (const QString& name : journalControlsOff(roleForCode(code)))
        if (auto* widget = Form1->findChild<QWidget*>(name))
            widget->setEnabled(true);
        else if (auto* item = Form1->findChild<QAction*>(name))
            item->setEnabled(true);
    if (!administrator)
        Form1->N16->addActions({Form1->N14, Form1->N15});
    QVERIFY(seesHistory);
    QCOMPARE(sees.value("N14"), administrator);
    QCOMPARE(sees.value("N15"), administrator);
    const QString host = QSysInfo::machineHostName();
    QCOMPARE(application, QString("Tabel: %1 @ %2").arg(role, host).left(63));
    QCOMPARE(client, clientName(roleForCode(code), host));
}

// The name is put again on a session opened anew after the connection was lost.
void TestHistory::nameKeptOverReconnect()
{
    Session::nameClient(TDataModule6::ConnectionName, clientName(Role::Master, "ws-2"), clientAsciiName(Role::Master, "ws-2"));
    {
        QSqlDatabase db = QSqlDatabase::database(TDataModule6::ConnectionName, false);
        db.close();
    }
    QCOMPARE(TestDb::scalar("select current_setting('tabel.client')").toString(), QString("Табель: мастер @ ws-2"));
    QCOMPARE(TestDb::scalar("select current_setting('application_name')").toString(), QString("Tabel: master @ ws-2"));
}

void TestHistory::refusedToEveryButTheOwner_data()
{
    const QString notOwner = "must be owner of table ";
    const QString noRight = "permission denied for table ";
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("logins");
    QTest::addColumn<QString>("refusal");
    const QStringList writers{"sys", Boss.name};
    const QStringList everyone = writers + QStringList{"postgres"};
    QTest::newRow("truncate closed months") << "truncate accounts_dep.closed_month" << writers << noRight + "closed_month";
    QTest::newRow("reopen by delete") << "delete from accounts_dep.closed_month" << everyone << OnlyAdministrator;
    QTest::newRow("close by insert") << "insert into accounts_dep.closed_month (month, year) values (4, 2024)" << everyone
                                     << OnlyAdministrator;
    QTest::newRow("change a closing") << "update accounts_dep.closed_month set month=4" << everyone << OnlyAdministrator;
    QTest::newRow("close by function") << "select accounts_dep.close_month(4, 2024)" << QStringList{"sys"} << OnlyAdministrator;
    QTest::newRow("reopen by function") << "select accounts_dep.reopen_month(3, 2024)" << QStringList{"sys"} << OnlyAdministrator;
    QTest::newRow("journal trigger off") << "alter table accounts_dep.smena disable trigger smena_history_insert" << writers
                                         << notOwner + "smena";
    QTest::newRow("grid triggers off") << "alter table accounts_dep.h_tabel disable trigger all" << writers << notOwner + "h_tabel";
    QTest::newRow("replica session") << "set session_replication_role = replica" << writers
                                     << "permission denied to set parameter \"session_replication_role\"";
    QTest::newRow("truncate journal") << "truncate accounts_dep.smena" << writers << noRight + "smena";
    QTest::newRow("drop grid") << "drop table accounts_dep.h_tabel" << writers << notOwner + "h_tabel";
    QTest::newRow("history rewritten") << "update accounts_dep.smena_log set db_user='boss'" << writers << noRight + "smena_log";
    QTest::newRow("history deleted") << "delete from accounts_dep.smena_log" << writers << noRight + "smena_log";
    QTest::newRow("history emptied") << "truncate accounts_dep.smena_log" << writers << noRight + "smena_log";
    QTest::newRow("history forged") << "insert into accounts_dep.smena_log (action, smena_id, db_user) values ('I', 1, 'boss')"
                                    << writers << noRight + "smena_log";
    QTest::newRow("superuser rewrites history") << "update accounts_dep.smena_log set db_user='boss'" << QStringList{"postgres"}
                                                << "История изменений только дополняется.";
    QTest::newRow("superuser empties history") << "truncate accounts_dep.smena_log" << QStringList{"postgres"}
                                               << "История изменений только дополняется.";
}

// Through psql, as sys (a writer, not a superuser), as an administrator's login, and where it
// applies as the cluster's superuser: what would change a paid month unseen, or the history, is
// refused, and nothing changes.
void TestHistory::refusedToEveryButTheOwner()
{
    QFETCH(QString, statement);
    QFETCH(QStringList, logins);
    QFETCH(QString, refusal);
    Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    Fixture::entry(m_floor, m_floor.ivanov, InApril);
    Fixture::hoursRow(m_floor.ivanov, 1, InMarch, {{13, 8}});
    closeMarch();
    const QString history = "select string_agg(concat_ws('|', id, action, smena_id, db_user, old_row, new_row), ';' order by id) "
                            "from accounts_dep.smena_log";
    const QString closings = "select string_agg(concat_ws('|', year, month, closed_at, closed_by), ';') from accounts_dep.closed_month";
    const QString logged = TestDb::scalar(history).toString();
    const QString closed = TestDb::scalar(closings).toString();
    const QString journal = journalState();
    for (const QString& name : logins) {
        const auto refused = psql(statement + ";\ninsert into accounts_dep.smena (data, smena, w_id, kol_vo, time, ok) "
                                              "values ('2024-03-20', 1, 1, 1, 1, 'no');",
                                  {name, name == Boss.name ? Boss.password : QString()});
        QVERIFY2(!refused.second, qPrintable(name));
        QVERIFY2(refused.first.contains("ERROR:  " + refusal), qPrintable(name + ": " + refused.first));
        QCOMPARE(TestDb::scalar(history).toString(), logged);
        QCOMPARE(TestDb::scalar(closings).toString(), closed);
        QCOMPARE(journalState(), journal);
    }
    QVERIFY(TestDb::scalar("select bool_and(tgenabled = 'O') from pg_trigger where not tgisinternal").toBool());
}

// Closing and reopening through the server's functions work for an administrator's login and
// are logged under it; what a client calls itself is kept beside the login, never in its place.
void TestHistory::loginNamedInTheLog()
{
    const int id = Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    const auto forged = psql(QString("set tabel.client = 'Табель: администратор @ boss-pc';\n"
                                     "update accounts_dep.smena set kol_vo=3 where id=%1;")
                                 .arg(id));
    QVERIFY2(forged.second, qPrintable(forged.first));
    const auto closed = psql("select accounts_dep.close_month(3, 2024);", Boss);
    QVERIFY2(closed.second, qPrintable(closed.first));
    QVERIFY(monthClosed(InMarch));
    QCOMPARE(TestDb::scalar("select closed_by from accounts_dep.closed_month").toString(), Boss.name);
    const auto refused = psql(QString("update accounts_dep.smena set kol_vo=4 where id=%1;").arg(id), Boss);
    QVERIFY(refused.first.contains(MarchClosed));
    const auto reopened = psql("select accounts_dep.reopen_month(3, 2024);", Boss);
    QVERIFY2(reopened.second, qPrintable(reopened.first));
    QVERIFY(!monthClosed(InMarch));
    QCOMPARE(TestDb::scalar("select string_agg(concat_ws(':', case when smena_id is null then 'M' else '' end || action, db_user, app), ' ' "
                            "order by id) from accounts_dep.smena_log")
                 .toString(),
             QString("I:sys:%1 U:sys:Табель: администратор @ boss-pc MI:%2:psql MD:%2:psql")
                 .arg(TestDb::scalar("select accounts_dep.writer_name()").toString(), Boss.name));
}

// A foreman with his own login in tabel_writer, named in PGUSER with his password in ~/.pgpass:
// the program signs in to the server as him, and the history names him.
void TestHistory::personalLoginFromEnvironment()
{
    QFile pass(m_home.filePath(".pgpass"));
    QVERIFY(pass.open(QIODevice::WriteOnly));
    pass.write(QString("*:*:*:%1:%2\n").arg(Foreman.name, Foreman.password).toUtf8());
    pass.close();
    QVERIFY(pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const auto back = qScopeGuard([] {
        qunsetenv("PGUSER");
        DataModule6->closeConnection();
        DataModule6->openConnection(connectionString(TestDb::databaseName(), TestDb::serverAddress()));
    });
    qputenv("PGUSER", Foreman.name.toUtf8());
    DataModule6->closeConnection();
    DataModule6->openConnection(connectionString(TestDb::databaseName(), TestDb::serverAddress()));
    QCOMPARE(TestDb::scalar("select session_user").toString(), Foreman.name);
    const int id = Fixture::entry(m_floor, m_floor.ivanov, InApril);
    QCOMPARE(TestDb::scalar(QString("select db_user from accounts_dep.smena_log where smena_id=%1").arg(id)).toString(), Foreman.name);
    // A writer like sys: the months stay closed to him.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, closeMonth(4, 2024, Foreman));
    QVERIFY(!monthClosed(InApril));
}

// A database as an older schema left it (sys owned everything, nothing guarded the history or
// the closings) gets the roles from the upgrade script, twice over as a site may run it.
void TestHistory::upgradeOfAnOlderDatabase()
{
    const AdminLogin superuser{QStringLiteral("postgres"), {}};
    const auto older = psql("drop trigger smena_log_append_only on accounts_dep.smena_log;\n"
                            "drop trigger absence_log_append_only on accounts_dep.absence_log;\n"
                            "drop trigger closed_month_by_functions on accounts_dep.closed_month;\n"
                            "drop function accounts_dep.close_month(integer, integer), accounts_dep.reopen_month(integer, integer), "
                            "accounts_dep.refuse_unless_admin(), accounts_dep.refuse_unless_owner();\n"
                            "alter function accounts_dep.smena_keep_history() security invoker reset all;\n"
                            "revoke all on all tables in schema accounts_dep from tabel_writer;\n"
                            "do $$ declare t record; begin for t in select oid::regclass as name from pg_class "
                            "where relnamespace = 'accounts_dep'::regnamespace and relkind = 'r' loop "
                            "execute format('alter table %s owner to sys', t.name); end loop; end $$;\n",
                            superuser);
    QVERIFY2(older.second, qPrintable(older.first));
    QVERIFY(psql("begin; truncate accounts_dep.smena_log; rollback;").second);
    const QString upgrade = "\\i " + QFINDTESTDATA("../db/upgrade.sql") + "\n";
    for (int run = 0; run < 2; ++run) {
        const auto upgraded = psql(upgrade, superuser);
        QVERIFY2(upgraded.second, qPrintable(upgraded.first));
    }
    QCOMPARE(TestDb::scalar("select count(*) from pg_class where relnamespace = 'accounts_dep'::regnamespace "
                            "and relowner <> 'tabel_owner'::regrole")
                 .toInt(),
             0);
    QVERIFY(psql("truncate accounts_dep.smena_log;").first.contains("permission denied for table smena_log"));
    QVERIFY(psql("delete from accounts_dep.closed_month;").first.contains(OnlyAdministrator));
    const int id = Fixture::entry(m_floor, m_floor.ivanov, InMarch);
    QVERIFY2(psql("select accounts_dep.close_month(3, 2024);", Boss).second, "the administrator closes");
    QCOMPARE(TestDb::scalar(QString("select string_agg(coalesce(smena_id::text, 'M') || db_user, ' ' order by id) "
                                    "from accounts_dep.smena_log"))
                 .toString(),
             QString("%1sys M%2").arg(id).arg(Boss.name));
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
