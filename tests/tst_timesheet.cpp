#include "core/data_module.h"
#include "journal/entry_statements.h"
#include "journal/journal_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "timesheet/day_colours.h"
#include "timesheet/month_choice.h"
#include "hours/month_rebuild.h"
#include "timesheet/rebuild_texts.h"
#include "timesheet/timesheet_export.h"
#include "timesheet/timesheet_grid.h"
#include "timesheet/timesheet_printout.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/clock.h"
#include "toolkit/dataset.h"
#include "toolkit/desktop.h"
#include "toolkit/report/report_preview.h"
#include "toolkit/transaction.h"

#include <QAbstractItemModelTester>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTemporaryDir>

namespace {

using Fixture::Days;
using Fixture::Floor;
using Fixture::entry;
using Fixture::makeFloor;
using Grid = QMap<QString, QList<int>>;   // "worker/shift" -> hours of days 1 .. 31

const QColor Red(255, 0, 0);
const QColor Silver(192, 192, 192);
const QColor LightGreen(192, 220, 192);
const QColor TotalFill(225, 228, 255);

QList<QVariantList> rowsOf(const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
    if (!q.exec(statement))
        qFatal("%s", qPrintable(statement));
    QList<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        rows << row;
    }
    return rows;
}

QString dayColumns(const QString& separator)
{
    QStringList days;
    for (int day = 1; day <= 31; ++day)
        days << QStringLiteral("d%1").arg(day);
    return days.join(separator);
}

// The month's grid rows as stored.
Grid storedGrid(int month, int year)
{
    Grid grid;
    const auto rows = rowsOf(QStringLiteral("select w_id, smena, %1 from accounts_dep.h_tabel where month=%2 and year=%3")
                                 .arg(dayColumns(", "))
                                 .arg(month)
                                 .arg(year));
    for (const QVariantList& row : rows) {
        const QString key = row.at(0).toString() + '/' + row.at(1).toString();
        if (grid.contains(key))
            qWarning("two grid rows for %s", qPrintable(key));
        QList<int> days;
        for (int i = 2; i < row.size(); ++i)
            days << row.at(i).toInt();
        grid.insert(key, days);
    }
    return grid;
}

// What the month's grid must hold: the journal's hours per worker, shift and day.
Grid journalGrid(int month, int year)
{
    const QDate first(year, month, 1);
    Grid grid;
    const auto rows = rowsOf(QStringLiteral("select w_id, smena, extract(day from data)::int, sum(time) from accounts_dep.smena "
                                            "where data >= date '%1' and data < date '%2' group by 1, 2, 3")
                                 .arg(first.toString(Qt::ISODate), first.addMonths(1).toString(Qt::ISODate)));
    for (const QVariantList& row : rows) {
        const QString key = row.at(0).toString() + '/' + row.at(1).toString();
        if (!grid.contains(key))
            grid.insert(key, QList<int>(31, 0));
        grid[key][row.at(2).toInt() - 1] = row.at(3).toInt();
    }
    return grid;
}

QString tableDump()
{
    QStringList lines;
    for (const QVariantList& row : rowsOf(QStringLiteral("select * from accounts_dep.h_tabel order by id"))) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << v.toString();
        lines << cells.join(',');
    }
    return lines.join('\n');
}

QList<Dataset*> gridSets()
{
    return {DataModule6->H_Tabel_1, DataModule6->H_Tabel_2, DataModule6->H_Tabel_3, DataModule6->H_Tabel_4};
}

QStringList names(Dataset* set)
{
    QStringList out;
    for (set->first(); !set->eof(); set->next())
        out << set->value("fio").toString();
    return out;
}

// Chooses the month as the user does, in the two lists.
void chooseMonth(int month, int year)
{
    TForm19* w = Form19;
    w->ComboBox1->setCurrentIndex(month - 1);
    emit w->ComboBox1->activated(month - 1);
    const int at = w->ComboBox2->findText(QString::number(year));
    QVERIFY(at >= 0);
    w->ComboBox2->setCurrentIndex(at);
    emit w->ComboBox2->activated(at);
}

QList<int> days(std::initializer_list<int> list)
{
    return QList<int>(list);
}

class CellProbe : public TimesheetCellDelegate {
public:
    using TimesheetCellDelegate::initStyleOption;
    using TimesheetCellDelegate::TimesheetCellDelegate;
};

// Another client of the same database: psql running `script` in its own session.
class OtherClient {
public:
    explicit OtherClient(const QString& script)
        : m_psql(TestDb::startScript(QStringLiteral("set DateStyle to 'ISO, DMY';\n") + script)) {}
    // Waits for the end of its script; answers whether it ran without an error.
    bool finished()
    {
        m_psql->waitForFinished(20000);
        m_output = QString::fromUtf8(m_psql->readAll());
        return m_psql->exitStatus() == QProcess::NormalExit && m_psql->exitCode() == 0;
    }
    QString output() const { return m_output; }
    ~OtherClient()
    {
        if (m_psql->state() != QProcess::NotRunning) {
            m_psql->kill();
            m_psql->waitForFinished();
        }
    }

private:
    std::unique_ptr<QProcess> m_psql;
    QString m_output;
};

// Whether a session other than the program's holds (or waits for) a lock of `mode` on `table`.
QString lockOf(const QString& table, const QString& mode, bool granted)
{
    return QStringLiteral("exists (select 1 from pg_locks where relation='%1'::regclass and mode='%2' and %3granted)")
        .arg(table, mode, granted ? QString() : QStringLiteral("not "));
}
const QString JournalTable = QStringLiteral("accounts_dep.smena");
const QString GridTable = QStringLiteral("accounts_dep.h_tabel");
// The rebuild's lock on the journal, and a journal change's.
const QString RebuildLock = QStringLiteral("ShareRowExclusiveLock");
const QString ChangeLock = QStringLiteral("RowExclusiveLock");

// A psql step that waits (10 s at most) until `condition` holds.
QString waitUntil(const QString& condition)
{
    return QStringLiteral("do $$ begin for i in 1..1000 loop exit when %1; perform pg_sleep(0.01); end loop; end $$;\n")
        .arg(condition);
}

// A psql step that fails unless `condition` holds at some moment of the next 10 s. The server
// keeps what a transaction read of the sessions' activity: each look reads it anew.
QString expectSoon(const QString& condition)
{
    return QStringLiteral("do $$ declare seen boolean := false; begin for i in 1..1000 loop perform pg_stat_clear_snapshot(); "
                          "seen := %1; exit when seen; perform pg_sleep(0.01); end loop; "
                          "if not seen then raise exception 'never seen'; end if; end $$;\n")
        .arg(condition);
}

// Whether the program's session waits on a lock (`detail` narrows which wait).
QString programWaits(const QString& detail)
{
    return QStringLiteral("exists (select 1 from pg_stat_activity where datname=current_database() and application_name<>'psql' "
                          "and wait_event_type='Lock' and %1)")
        .arg(detail);
}

// How many other clients are running an expectSoon() step now.
int clientsExpecting()
{
    return TestDb::scalar("select count(*) from pg_stat_activity where query like '%never seen%' and pid<>pg_backend_pid()").toInt();
}

bool lockTaken(const QString& table, const QString& mode)
{
    return TestDb::scalar(QStringLiteral("select ") + lockOf(table, mode, true)).toBool();
}

// The entry editor's statement for a save of a new entry or a change, or the deletion's (the
// server keeps the hours within each), as part of one transaction's body.
QString savedEntry(const Floor& f, int worker, const QDate& date, int hours, int changedId = 0)
{
    EntryValues e;
    e.worker = worker;
    e.operation = f.operation;
    e.product = f.product;
    e.shift = 1;
    e.price = 10;
    e.date = date;
    e.quantity = QStringLiteral("10");
    e.defects = QStringLiteral("0");
    e.hours = QString::number(hours);
    e.today = date;
    e.id = changedId;
    return (changedId ? updateStatement(e) : insertStatement(e)) + QStringLiteral(";\n");
}

QString deletedEntry(int id)
{
    return QStringLiteral("delete from accounts_dep.smena where id=%1;\n").arg(id);
}

// Another client runs `body` in a transaction that holds `heldLock` on the journal and commits
// once this program's rebuild of November 2026 waits for it; the rebuild then ends with the
// grid equal to the journal and no message.
void rebuildWhileOpen(const QString& body, const QString& heldLock)
{
    OtherClient other("begin;\n" + body + waitUntil(lockOf(JournalTable, RebuildLock, false)) + "commit;\n");
    QTRY_VERIFY_WITH_TIMEOUT(lockTaken(JournalTable, heldLock), 10000);
    chooseMonth(11, 2026);
    MessageLog log;

    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    QVERIFY2(other.finished(), qPrintable(other.output()));
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join('\n')));
    QCOMPARE(storedGrid(11, 2026), journalGrid(11, 2026));
}

} // namespace
Q_DECLARE_METATYPE(DayKind)

class TestTimesheet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dayKinds_data();
    void dayKinds();
    void cellLook_data();
    void cellLook();
    void cellDrawing_data();
    void cellDrawing();
    void years_data();
    void years();

    void monthGrids_data();
    void monthGrids();
    void reloadReadsAgain();
    void openFromJournal_data();
    void openFromJournal();

    void rebuildEqualsJournalSums();
    void rebuildKeepsWorkerOnHisShift();
    void rebuildOfMonthWithoutEntries();
    void failedRebuildKeepsOldGrid();
    void rebuildWaitsForOpenChange_data();
    void rebuildWaitsForOpenChange();
    void rebuildWaitsOnGridRowHeldElsewhere_data();
    void rebuildWaitsOnGridRowHeldElsewhere();
    void twoRebuildsAtOnce();
    void rebuildWaitRepaintsThenTimesOut();
    void rebuildWaitIsBoundedAndBlocksNoOtherMonth_data();
    void rebuildWaitIsBoundedAndBlocksNoOtherMonth();

    void exportReadBack();
    void exportProgress();
    void exportOfEmptyMonth();
    void exportWithoutWorkbook();

private:
    QTemporaryDir m_home;
    QStringList m_opened;
};

void TestTimesheet::initTestCase()
{
    QVERIFY(m_home.isValid());
    useHomeFolder(m_home.path());
    TestDb::setUp();
    Form19 = new TForm19;
}

void TestTimesheet::cleanupTestCase()
{
    delete Form19;
    Form19 = nullptr;
    TestDb::tearDown();
}

void TestTimesheet::init()
{
    TestDb::resetData();
    m_opened.clear();
    Desktop::setOpener([this](const QString& path) {
        m_opened << path;
        return true;
    });
}

void TestTimesheet::cleanup()
{
    Form19->hide();
    for (Dataset* set : gridSets())
        set->close();
    Desktop::setOpener({});
    Clock::setToday({});
    TestDb::execAsOwner(QStringLiteral("drop trigger if exists refuse_day on accounts_dep.h_tabel"));
    TestDb::execAsOwner(QStringLiteral("drop function if exists public.refuse_day()"));
}

void TestTimesheet::dayKinds_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("firstDay");
    QTest::addColumn<QList<int>>("weekend");
    QTest::addColumn<QList<int>>("missing");
    QTest::newRow("starts on a Saturday") << 7 << 2023 << 7 << days({1, 2, 8, 9, 15, 16, 22, 23, 29, 30}) << days({});
    QTest::newRow("starts on a Sunday") << 1 << 2023 << 1 << days({1, 7, 8, 14, 15, 21, 22, 28, 29}) << days({});
    QTest::newRow("February, not leap") << 2 << 2023 << 4 << days({4, 5, 11, 12, 18, 19, 25, 26}) << days({29, 30, 31});
    QTest::newRow("February, leap") << 2 << 2024 << 5 << days({3, 4, 10, 11, 17, 18, 24, 25}) << days({30, 31});
    QTest::newRow("30 days, starts on a Friday") << 9 << 2023 << 6 << days({2, 3, 9, 10, 16, 17, 23, 24, 30}) << days({31});
    QTest::newRow("February 2100, not leap") << 2 << 2100 << 2 << days({6, 7, 13, 14, 20, 21, 27, 28}) << days({29, 30, 31});
}

void TestTimesheet::dayKinds()
{
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(int, firstDay);
    QFETCH(QList<int>, weekend);
    QFETCH(QList<int>, missing);
    QCOMPARE(firstWeekday(month, year), firstDay);
    for (int day = 1; day <= 31; ++day) {
        const DayKind expected = missing.contains(day) ? DayKind::Missing : weekend.contains(day) ? DayKind::Weekend : DayKind::Workday;
        QVERIFY2(dayKind(day, month, year) == expected, qPrintable(QString("day %1").arg(day)));
    }
    QCOMPARE(dayTitleColor(DayKind::Weekend), Red);
    QCOMPARE(dayTitleColor(DayKind::Missing), Silver);
    QVERIFY(!dayTitleColor(DayKind::Workday).isValid());
}

void TestTimesheet::cellLook_data()
{
    QTest::addColumn<DayKind>("kind");
    QTest::addColumn<int>("hours");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("workday, 0") << DayKind::Workday << 0 << Silver << QColor() << false << false;
    QTest::newRow("weekend, 0") << DayKind::Weekend << 0 << Red << QColor() << false << false;
    QTest::newRow("workday, 5") << DayKind::Workday << 5 << QColor() << QColor() << false << false;
    QTest::newRow("weekend, 5") << DayKind::Weekend << 5 << Red << QColor() << false << false;
    QTest::newRow("workday, 8") << DayKind::Workday << 8 << QColor() << QColor() << true << false;
    QTest::newRow("weekend, 8") << DayKind::Weekend << 8 << Red << QColor() << true << false;
    QTest::newRow("workday, 9") << DayKind::Workday << 9 << QColor() << LightGreen << true << false;
    QTest::newRow("weekend, 12") << DayKind::Weekend << 12 << Red << LightGreen << true << false;
    QTest::newRow("missing, 0") << DayKind::Missing << 0 << QColor() << QColor() << false << true;
    QTest::newRow("missing, 8") << DayKind::Missing << 8 << QColor() << QColor() << false << true;
    QTest::newRow("missing, 10") << DayKind::Missing << 10 << QColor() << QColor() << false << true;
}

void TestTimesheet::cellLook()
{
    QFETCH(DayKind, kind);
    QFETCH(int, hours);
    QFETCH(QColor, text);
    QFETCH(QColor, fill);
    QFETCH(bool, bold);
    QFETCH(bool, hidden);
    const DayCellLook look = dayCellLook(kind, hours);
    QCOMPARE(look.text, text);
    QCOMPARE(look.fill, fill);
    QCOMPARE(look.bold, bold);
    QCOMPARE(look.hidden, hidden);
}

void TestTimesheet::cellDrawing_data()
{
    // July 2023 starts on a Saturday: day 1 is a weekend, day 3 a workday. February 2023 lacks day 30.
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QColor>("text");   // invalid: the grid's own
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<bool>("bold");
    QTest::newRow("empty workday") << 7 << 3 << QVariant() << false << Silver << QColor() << false;
    QTest::newRow("empty weekend") << 7 << 1 << QVariant() << false << Red << QColor() << false;
    QTest::newRow("full workday") << 7 << 3 << QVariant(8) << false << QColor() << QColor() << true;
    QTest::newRow("long weekend day") << 7 << 2 << QVariant(11) << false << Red << LightGreen << true;
    QTest::newRow("selected long day") << 7 << 3 << QVariant(11) << true << QColor() << QColor() << false;
    QTest::newRow("day the month lacks") << 2 << 30 << QVariant(0) << false << QColor(Qt::white) << QColor() << false;
    QTest::newRow("name") << 7 << 0 << QVariant("Иванов И.И.") << false << QColor() << QColor() << false;
    QTest::newRow("total") << 7 << 32 << QVariant(40) << false << QColor() << TotalFill << true;
    QTest::newRow("selected total") << 7 << 32 << QVariant(40) << true << QColor() << QColor() << true;
}

void TestTimesheet::cellDrawing()
{
    QFETCH(int, month);
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(bool, selected);
    QFETCH(QColor, text);
    QFETCH(QColor, fill);
    QFETCH(bool, bold);
    QStandardItemModel model(1, 33);
    model.setData(model.index(0, column), value, Qt::EditRole);
    CellProbe probe;
    probe.setMonth(month, 2023);
    QStyleOptionViewItem option;
    option.palette.setColor(QPalette::Base, Qt::white);
    option.palette.setColor(QPalette::Text, Qt::black);
    if (selected)
        option.state |= QStyle::State_Selected;
    probe.initStyleOption(&option, model.index(0, column));
    QCOMPARE(option.palette.color(QPalette::Text), text.isValid() ? text : QColor(Qt::black));
    QCOMPARE(option.backgroundBrush.style() == Qt::NoBrush ? QColor() : option.backgroundBrush.color(), fill);
    QCOMPARE(option.font.bold(), bold);
}

void TestTimesheet::years_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("this year") << 2026 << 2026 << "2007" << "2027";
    QTest::newRow("next year") << 2026 << 2027 << "2007" << "2027";
    QTest::newRow("past the list") << 2026 << 2031 << "2007" << "2031";
    QTest::newRow("before the list") << 2026 << 2005 << "2005" << "2027";
}

void TestTimesheet::years()
{
    QFETCH(int, current);
    QFETCH(int, wanted);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const QStringList years = timesheetYears(current, wanted);
    QCOMPARE(years.first(), first);
    QCOMPARE(years.last(), last);
    QCOMPARE(years.size(), last.toInt() - first.toInt() + 1);
    QVERIFY(years.contains(QString::number(wanted)));
}

void TestTimesheet::monthGrids_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<QList<int>>("red");
    QTest::addColumn<QList<int>>("silver");
    QTest::newRow("July 2023") << 7 << 2023 << days({1, 2, 8, 9, 15, 16, 22, 23, 29, 30}) << days({});
    QTest::newRow("February 2023") << 2 << 2023 << days({4, 5, 11, 12, 18, 19, 25, 26}) << days({29, 30, 31});
    QTest::newRow("February 2024") << 2 << 2024 << days({3, 4, 10, 11, 17, 18, 24, 25}) << days({30, 31});
}

void TestTimesheet::monthGrids()
{
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(QList<int>, red);
    QFETCH(QList<int>, silver);
    const Floor f = makeFloor();
    for (int shift = 1; shift <= 4; ++shift)
        Fixture::hoursRow(f.ivanov, shift, QDate(year, month, 1), {{1, shift}, {3, 8}});
    Fixture::hoursRow(f.petrov, 1, QDate(year, month, 1), {{2, 10}});
    Fixture::hoursRow(f.sidorov, 1, QDate(year, month == 12 ? 1 : month + 1, 1), {{2, 10}});   // another month
    Fixture::hoursRow(f.sidorov, 2, QDate(year + 1, month, 1), {{2, 10}});                     // another year

    chooseMonth(month, year);

    QCOMPARE(names(DataModule6->H_Tabel_1), (QStringList{"Иванов И.И.", "Петров П.П."}));
    QCOMPARE(names(DataModule6->H_Tabel_2), QStringList{"Иванов И.И."});
    QCOMPARE(names(DataModule6->H_Tabel_3), QStringList{"Иванов И.И."});
    QCOMPARE(DataModule6->H_Tabel_3->value("d1").toInt(), 3);
    // Overtime has its tab, so the window shows every hour the printout adds up.
    QCOMPARE(names(DataModule6->H_Tabel_4), QStringList{"Иванов И.И."});
    QCOMPARE(DataModule6->H_Tabel_4->value("d1").toInt(), 4);
    QCOMPARE(DataModule6->H_Tabel_4->value("summ").toInt(), 12);
    QStringList tabs;
    for (int i = 0; i < Form19->PageControl1->count(); ++i)
        tabs << Form19->PageControl1->tabText(i);
    QCOMPARE(tabs, (QStringList{"Смена №1", "Смена №2", "Смена №3", "Переработка", "Неявки"}));
    QCOMPARE(Form19->PageControl1->widget(3)->findChild<DBGrid*>(), Form19->DBGrid4);
    QCOMPARE(DataModule6->H_Tabel_1->fieldNames().size(), 1 + 36 + 1);   // fio, the table's columns, summ
    const QList<DBGrid*> grids{Form19->DBGrid1, Form19->DBGrid2, Form19->DBGrid3, Form19->DBGrid4};
    for (int i = 0; i < grids.size(); ++i) {
        DBGrid* grid = grids.at(i);
        QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(grid->dataset(), gridSets().at(i));
        QCOMPARE(grid->model()->columnCount(), 33);
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Фамилия И. О."));
        QCOMPARE(model->headerData(32, Qt::Horizontal).toString(), QStringLiteral("Итого"));
        QVERIFY(qobject_cast<TimesheetCellDelegate*>(grid->itemDelegate()));
        for (int day = 1; day <= 31; ++day) {
            QCOMPARE(model->headerData(day, Qt::Horizontal).toString(), QString::number(day));
            const QVariant color = model->headerData(day, Qt::Horizontal, Qt::ForegroundRole);
            const QColor expected = red.contains(day) ? Red : silver.contains(day) ? Silver : QColor();
            QVERIFY2(color.value<QColor>() == expected, qPrintable(QString("day %1").arg(day)));
        }
    }
    // The total is the database's sum of the 31 days.
    for (Dataset* set : gridSets())
        for (set->first(); !set->eof(); set->next())
            QCOMPARE(set->value("summ").toInt(),
                     TestDb::scalar(QStringLiteral("select %1 from accounts_dep.h_tabel where id=%2")
                                        .arg(dayColumns("+"))
                                        .arg(set->value("id").toInt()))
                         .toInt());
    DataModule6->H_Tabel_1->first();
    QCOMPARE(DataModule6->H_Tabel_1->value("summ").toInt(), 9);
}

void TestTimesheet::reloadReadsAgain()
{
    const Floor f = makeFloor();
    Fixture::hoursRow(f.ivanov, 1, QDate(2023, 9, 1), {{4, 8}});
    chooseMonth(9, 2023);
    QCOMPARE(DataModule6->H_Tabel_1->recordCount(), 1);
    Fixture::hoursRow(f.petrov, 1, QDate(2023, 9, 1), {{4, 8}});
    Fixture::hoursRow(f.petrov, 3, QDate(2023, 9, 1), {{4, 8}});
    QCOMPARE(DataModule6->H_Tabel_1->recordCount(), 1);
    QTest::mouseClick(Form19->Button5, Qt::LeftButton);
    QCOMPARE(DataModule6->H_Tabel_1->recordCount(), 2);
    QCOMPARE(DataModule6->H_Tabel_3->recordCount(), 1);
}

void TestTimesheet::openFromJournal_data()
{
    QTest::addColumn<QDate>("journalDate");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("lastYear");
    QTest::newRow("March 2021") << QDate(2021, 3, 15) << "Март" << "2027";
    QTest::newRow("next year") << QDate(2027, 1, 4) << "Январь" << "2027";
    QTest::newRow("past the list") << QDate(2031, 12, 31) << "Декабрь" << "2031";
}

void TestTimesheet::openFromJournal()
{
    QFETCH(QDate, journalDate);
    QFETCH(QString, month);
    QFETCH(QString, lastYear);
    Clock::setToday(QDate(2026, 12, 10));
    const Floor f = makeFloor();
    Fixture::hoursRow(f.ivanov, 2, journalDate, {{1, 8}});
    Form1 = new TForm1;
    Form1->Timer1->stop();
    Form1->DateT->setDate(journalDate);
    Form19->Button2->setText(QStringLiteral("Excel (3 из 3)"));
    QVERIFY(Form1->N11->isEnabled());

    QString shownMonth, shownYear, caption, title, printedHeading;
    QStringList years;
    int rows = -1;
    const bool shown = expectModal<TForm19>([&] { Form1->N11->trigger(); }, [&](TForm19* w) {
        QVERIFY(QTest::qWaitForWindowActive(w));
        shownMonth = w->ComboBox1->currentText();
        shownYear = w->ComboBox2->currentText();
        for (int i = 0; i < w->ComboBox2->count(); ++i)
            years << w->ComboBox2->itemText(i);
        rows = DataModule6->H_Tabel_2->isOpen() ? DataModule6->H_Tabel_2->recordCount() : -1;
        caption = w->Button2->text();
        title = w->windowTitle();
        QVERIFY(w->PB->isHidden());
        // "Печать" prints the chosen month.
        ReportPreview::setPresenter([&](const ReportDocument& document, const QString&) {
            for (const ReportText& t : document.pages.value(0).texts())
                printedHeading += t.text == timesheetPrintHeading(w->chosenMonth(), w->chosenYear()) ? t.text : QString();
        });
        QTest::mouseClick(w->Button6, Qt::LeftButton);
        ReportPreview::setPresenter({});
        QTest::keyClick(w, Qt::Key_Escape);
    });
    delete Form1;
    Form1 = nullptr;

    QVERIFY(shown);
    QCOMPARE(title, QStringLiteral("Табель по времени"));
    QCOMPARE(shownMonth, month);
    QCOMPARE(printedHeading, month + QLatin1Char(' ') + QString::number(journalDate.year()) + QStringLiteral(" г."));
    QCOMPARE(shownYear, QString::number(journalDate.year()));
    QCOMPARE(years.first(), QStringLiteral("2007"));
    QCOMPARE(years.last(), lastYear);
    QCOMPARE(rows, 1);
    QCOMPARE(caption, QStringLiteral("Excel"));
    QVERIFY(!Form19->isVisible());
    for (Dataset* set : gridSets())
        QVERIFY(!set->isOpen());
}

void TestTimesheet::rebuildEqualsJournalSums()
{
    const Floor f = makeFloor();
    const int kuznetsov = Fixture::worker(QStringLiteral("Кузнецов К.К."));
    // Every shift, accepted or not, several entries of a day, 0 hours, the month's first and last day.
    entry(f, f.ivanov, QDate(2023, 9, 1), 1, 8, QStringLiteral("ok"));
    entry(f, f.ivanov, QDate(2023, 9, 1), 4, 3, QStringLiteral("no"));
    entry(f, f.ivanov, QDate(2023, 9, 4), 1, 5, QStringLiteral("да"));
    entry(f, f.ivanov, QDate(2023, 9, 4), 1, 6, QStringLiteral("no"));
    entry(f, f.ivanov, QDate(2023, 9, 30), 3, 7, QStringLiteral("ta"));
    entry(f, f.petrov, QDate(2023, 9, 12), 2, 0);
    entry(f, f.petrov, QDate(2023, 9, 13), 2, 9, QStringLiteral("ok"));
    entry(f, f.sidorov, QDate(2023, 9, 16), 4, 4);
    entry(f, f.sidorov, QDate(2023, 9, 16), 1, 8);
    entry(f, f.sidorov, QDate(2023, 9, 16), 1, 2, QStringLiteral("ok"));
    entry(f, kuznetsov, QDate(2023, 10, 1), 1, 8);   // next month
    entry(f, kuznetsov, QDate(2023, 8, 31), 1, 8);   // month before
    // Rows left from before: a stale cell, a worker without entries now, another month.
    Fixture::hoursRow(f.ivanov, 1, QDate(2023, 9, 1), {{1, 1}, {20, 5}});
    Fixture::hoursRow(kuznetsov, 2, QDate(2023, 9, 1), {{3, 8}});
    Fixture::hoursRow(kuznetsov, 1, QDate(2023, 8, 1), {{30, 3}});
    const Grid august = storedGrid(8, 2023);
    const Grid october = storedGrid(10, 2023);

    chooseMonth(9, 2023);
    QSignalSpy progress(Form19->PB, &QProgressBar::valueChanged);
    MessageLog log;
    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join('\n')));
    const Grid expected = journalGrid(9, 2023);
    QCOMPARE(expected.size(), 6);
    QCOMPARE(storedGrid(9, 2023), expected);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel where month=9 and year=2023").toInt(), 6);
    QCOMPARE(storedGrid(8, 2023), august);
    QCOMPARE(storedGrid(10, 2023), october);

    // The month is summed in one statement: the bar starts at the first day and ends at the last.
    QCOMPARE(progress.last().first().toInt(), 30);
    QCOMPARE(Form19->PB->maximum(), 30);
    QVERIFY2(Form19->Label1->text().startsWith("Табель за сентябрь 2023 г. перестроен в "), qPrintable(Form19->Label1->text()));
    QCOMPARE(rebuildDoneText(11, 2026, QTime(17, 5, 9)), QString("Табель за ноябрь 2026 г. перестроен в 17:05:09"));
    QVERIFY(Form19->PB->isHidden());
    QVERIFY(!Transaction::isOpen(TDataModule6::ConnectionName));
    // The grids show the new month, with the database's totals.
    QCOMPARE(names(DataModule6->H_Tabel_1), (QStringList{"Иванов И.И.", "Сидоров С.С."}));
    DataModule6->H_Tabel_1->first();
    QCOMPARE(DataModule6->H_Tabel_1->value("summ").toInt(), 19);
    QCOMPARE(names(DataModule6->H_Tabel_2), QStringList{"Петров П.П."});
    QCOMPARE(names(DataModule6->H_Tabel_3), QStringList{"Иванов И.И."});
    chooseMonth(10, 2023);   // the word was about September
    QVERIFY(Form19->Label1->text().isEmpty());
}

void TestTimesheet::rebuildKeepsWorkerOnHisShift()
{
    const Floor f = makeFloor();
    entry(f, f.petrov, QDate(2024, 2, 29), 2, 8);
    entry(f, f.petrov, QDate(2024, 2, 5), 2, 10);
    entry(f, f.ivanov, QDate(2024, 2, 5), 1, 8);
    chooseMonth(2, 2024);
    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    QCOMPARE(names(DataModule6->H_Tabel_1), QStringList{"Иванов И.И."});
    QCOMPARE(names(DataModule6->H_Tabel_2), QStringList{"Петров П.П."});
    QCOMPARE(names(DataModule6->H_Tabel_3), QStringList{});
    QCOMPARE(DataModule6->H_Tabel_2->value("d29").toInt(), 8);
    QCOMPARE(DataModule6->H_Tabel_2->value("summ").toInt(), 18);
    QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.h_tabel where w_id=%1").arg(f.petrov)).toInt(), 1);
}

void TestTimesheet::rebuildOfMonthWithoutEntries()
{
    const Floor f = makeFloor();
    for (int shift = 1; shift <= 4; ++shift)
        Fixture::hoursRow(f.ivanov, shift, QDate(2023, 11, 1), {{6, 8}});
    entry(f, f.ivanov, QDate(2023, 12, 1), 4, 8);
    chooseMonth(11, 2023);
    QCOMPARE(DataModule6->H_Tabel_1->recordCount(), 1);

    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    for (Dataset* set : gridSets()) {
        QVERIFY(set->isOpen());
        QCOMPARE(set->recordCount(), 0);
    }
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel where month=11 and year=2023").toInt(), 0);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel where smena=4 and month=11").toInt(), 0);
}

void TestTimesheet::failedRebuildKeepsOldGrid()
{
    const Floor f = makeFloor();
    entry(f, f.ivanov, QDate(2023, 9, 4), 1, 8);
    entry(f, f.petrov, QDate(2023, 9, 15), 2, 7);   // the day the database refuses
    entry(f, f.petrov, QDate(2023, 9, 20), 2, 7);
    Fixture::hoursRow(f.ivanov, 1, QDate(2023, 9, 1), {{4, 3}, {5, 2}});
    Fixture::hoursRow(f.sidorov, 3, QDate(2023, 9, 1), {{15, 6}});
    TestDb::execAsOwner(QStringLiteral("create function public.refuse_day() returns trigger language plpgsql as $$ "
                                "begin if new.d15 <> 0 and new.w_id = %1 then raise exception 'день 15 не принят'; end if; "
                                "return new; end $$")
                     .arg(f.petrov));
    TestDb::execAsOwner(QStringLiteral("create trigger refuse_day before insert or update on accounts_dep.h_tabel "
                                "for each row execute function public.refuse_day()"));
    const QString before = tableDump();
    chooseMonth(9, 2023);

    MessageLog log;
    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    QCOMPARE(log.shown().size(), 1);
    QVERIFY2(log.shown().first().detail.contains(QStringLiteral("день 15 не принят")), qPrintable(log.shown().first().detail));
    QCOMPARE(tableDump(), before);
    QVERIFY(!Transaction::isOpen(TDataModule6::ConnectionName));
    QVERIFY(Form19->PB->isHidden());
    QVERIFY(Form19->Label1->text().isEmpty());
    QCOMPARE(names(DataModule6->H_Tabel_1), QStringList{"Иванов И.И."});
    QCOMPARE(DataModule6->H_Tabel_1->value("d4").toInt(), 3);
    QCOMPARE(names(DataModule6->H_Tabel_3), QStringList{"Сидоров С.С."});

    // Once the database takes the day again the same rebuild goes through.
    TestDb::execAsOwner(QStringLiteral("drop trigger refuse_day on accounts_dep.h_tabel"));
    log.clear();
    QTest::mouseClick(Form19->Button1, Qt::LeftButton);
    QVERIFY(log.shown().isEmpty());
    QCOMPARE(storedGrid(9, 2023), journalGrid(9, 2023));
}

void TestTimesheet::rebuildWaitsForOpenChange_data()
{
    QTest::addColumn<QString>("change");   // save, change, delete, first row
    QTest::addColumn<int>("dayHours");     // the journal's hours of the day once it committed
    QTest::newRow("save") << "save" << 11;
    QTest::newRow("change") << "change" << 9;
    QTest::newRow("delete") << "delete" << 2;
    QTest::newRow("first row of the month") << "first row" << 5;
}

// Another client's save, change or delete is open when "Перестроить" is pressed and commits
// while the rebuild waits: the grid ends equal to the journal with that change in it.
void TestTimesheet::rebuildWaitsForOpenChange()
{
    QFETCH(QString, change);
    QFETCH(int, dayHours);
    const Floor f = makeFloor();
    const QDate day(2026, 11, 4);
    const int kept = entry(f, f.ivanov, day, 1, 4);
    entry(f, f.ivanov, day, 1, 2);
    entry(f, f.sidorov, day.addDays(1), 2, 8);
    Fixture::hoursRow(f.ivanov, 1, day, {{4, 6}});
    QString body;
    int worker = f.ivanov;
    if (change == "save")
        body = savedEntry(f, f.ivanov, day, 5);
    else if (change == "change")
        body = savedEntry(f, f.ivanov, day, 7, kept);
    else if (change == "delete")
        body = deletedEntry(kept);
    else {
        worker = f.petrov;
        body = savedEntry(f, f.petrov, day, 5);
    }
    rebuildWhileOpen(body, ChangeLock);
    QCOMPARE(Fixture::hoursCell(worker, 1, day), dayHours);
    QVERIFY(Form19->Label1->text().startsWith("Табель за ноябрь 2026 г. перестроен"));
}

void TestTimesheet::rebuildWaitsOnGridRowHeldElsewhere_data()
{
    QTest::addColumn<bool>("firstRow");   // the save makes the worker's first row of the month
    QTest::newRow("worker with a row") << false;
    QTest::newRow("first row of the month") << true;
}

// A third session holds a grid row of the month while the rebuild runs; a whole save starts
// while the rebuild waits for that row. The rebuild holds no lock of the journal meanwhile, so
// the save goes on; whichever ends first, the grid ends equal to the journal.
void TestTimesheet::rebuildWaitsOnGridRowHeldElsewhere()
{
    QFETCH(bool, firstRow);
    const Floor f = makeFloor();
    const QDate day(2026, 11, 10);
    entry(f, f.ivanov, day, 1, 10);
    Fixture::hoursRow(f.ivanov, 1, day, {{10, 10}});
    const int saver = firstRow ? f.petrov : f.ivanov;
    const QString rebuildWaitsOnGrid = programWaits("wait_event in ('transactionid', 'tuple')");
    OtherClient third(QStringLiteral("begin;\nselect id from accounts_dep.h_tabel where w_id=%1 for update;\n").arg(f.ivanov)
                      + expectSoon(rebuildWaitsOnGrid) + "select pg_sleep(0.5);\ncommit;\n");
    QTRY_VERIFY_WITH_TIMEOUT(lockTaken(GridTable, "RowShareLock"), 10000);
    OtherClient saving(expectSoon(rebuildWaitsOnGrid) + "begin;\n" + savedEntry(f, saver, day, 5) + "commit;\n");
    QTRY_COMPARE_WITH_TIMEOUT(clientsExpecting(), 2, 10000);
    chooseMonth(11, 2026);
    MessageLog log;

    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    QVERIFY2(third.finished(), qPrintable(third.output()));
    QVERIFY2(saving.finished(), qPrintable(saving.output()));
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join('\n')));
    QCOMPARE(storedGrid(11, 2026), journalGrid(11, 2026));
    QCOMPARE(Fixture::hoursCell(saver, 1, day), firstRow ? 5 : 15);
}

// Another client rebuilds the same month at the same moment: the second waits for the first.
void TestTimesheet::twoRebuildsAtOnce()
{
    const Floor f = makeFloor();
    entry(f, f.ivanov, QDate(2026, 11, 2), 1, 8);
    entry(f, f.petrov, QDate(2026, 11, 3), 2, 7);
    Fixture::hoursRow(f.sidorov, 3, QDate(2026, 11, 1), {{3, 8}});
    const RebuildStatements r = rebuildStatements(11, 2026);
    rebuildWhileOpen(r.lockJournal + ";\n" + r.deleteMonth + ";\n" + r.insertMonth + ";\n", RebuildLock);
    QCOMPARE(storedGrid(11, 2026).size(), 2);
}

// While the rebuild waits on a lock the window repaints and says what it waits for; after the
// lock timeout the rebuild gives up with the lock-timeout message and the grid as it was.
void TestTimesheet::rebuildWaitRepaintsThenTimesOut()
{
    const Floor f = makeFloor();
    entry(f, f.ivanov, QDate(2026, 11, 2), 1, 8);
    Fixture::hoursRow(f.ivanov, 1, QDate(2026, 11, 1), {{2, 3}});
    const QString before = tableDump();
    OtherClient holder("begin;\nlock table accounts_dep.smena in row exclusive mode;\nselect pg_sleep(30);\n");
    QTRY_VERIFY_WITH_TIMEOUT(lockTaken(JournalTable, ChangeLock), 10000);
    qputenv("TABEL_LOCK_TIMEOUT", "2");
    chooseMonth(11, 2026);
    Form19->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form19));

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    Form19->Label1->installEventFilter(&counter);
    QStringList seen;
    int paintsWhileWaiting = 0;
    QTimer ticks;
    ticks.setInterval(20);
    connect(&ticks, &QTimer::timeout, [&] {
        seen << Form19->Label1->text();
        paintsWhileWaiting = counter.paints;
    });
    ticks.start();
    MessageLog log;
    counter.paints = 0;
    QElapsedTimer took;
    took.start();

    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    ticks.stop();
    qunsetenv("TABEL_LOCK_TIMEOUT");
    TestDb::exec("select pg_terminate_backend(pid) from pg_stat_activity where datname=current_database() "
                 "and application_name='psql'");
    QVERIFY2(took.elapsed() >= 2000, qPrintable(QString::number(took.elapsed())));
    QVERIFY2(seen.size() >= 2, qPrintable(QString::number(seen.size())));   // a repaint after each slice
    QVERIFY(seen.contains(rebuildWaitingText()));
    QVERIFY(paintsWhileWaiting > 0);
    QCOMPARE(log.shown().size(), 1);
    QVERIFY2(log.texts().first().startsWith("Сервер БД не выполнил действие вовремя"), qPrintable(log.texts().first()));
    QCOMPARE(tableDump(), before);
    QVERIFY(!Transaction::isOpen(TDataModule6::ConnectionName));
    QVERIFY(Form19->Label1->text().isEmpty());
    QVERIFY(Form19->PB->isHidden());
    QCOMPARE(names(DataModule6->H_Tabel_1), QStringList{"Иванов И.И."});
}

void TestTimesheet::rebuildWaitIsBoundedAndBlocksNoOtherMonth_data()
{
    QTest::addColumn<QString>("journalHolder");   // a journal change open for a while first
    QTest::newRow("grid rows held") << QString();
    QTest::newRow("journal held, then grid rows held")
        << "begin;\nlock table accounts_dep.smena in row exclusive mode;\nselect pg_sleep(1.5);\ncommit;\n";
}

// Another client holds the month's grid rows past the lock timeout (after a journal change that
// stays open for a while). The rebuild waits in slices the server's deadlock check acts on, all
// of them within the lock timeout, then gives up with the grid as it was; a save of another
// month meanwhile goes through at once.
void TestTimesheet::rebuildWaitIsBoundedAndBlocksNoOtherMonth()
{
    QFETCH(QString, journalHolder);
    const Floor f = makeFloor();
    entry(f, f.ivanov, QDate(2026, 11, 2), 1, 8);
    Fixture::hoursRow(f.ivanov, 1, QDate(2026, 11, 1), {{2, 3}});
    const Grid november = storedGrid(11, 2026);
    std::unique_ptr<OtherClient> journal;
    if (!journalHolder.isEmpty()) {
        journal = std::make_unique<OtherClient>(journalHolder);
        QTRY_VERIFY_WITH_TIMEOUT(lockTaken(JournalTable, ChangeLock), 10000);
    }
    OtherClient grid("begin;\nselect id from accounts_dep.h_tabel where month=11 and year=2026 for update;\nselect pg_sleep(30);\n");
    QTRY_VERIFY_WITH_TIMEOUT(lockTaken(GridTable, "RowShareLock"), 10000);
    const QDate october(2026, 10, 20);
    OtherClient saving(expectSoon(programWaits("clock_timestamp() - query_start > interval '1 s'"))
                       + expectSoon(programWaits("wait_event in ('transactionid', 'tuple')"))
                       + "set lock_timeout to '500ms';\nbegin;\n" + savedEntry(f, f.petrov, october, 6) + "commit;\n");
    QTRY_COMPARE_WITH_TIMEOUT(clientsExpecting(), 1, 10000);
    qputenv("TABEL_LOCK_TIMEOUT", "2");
    chooseMonth(11, 2026);
    MessageLog log;
    QElapsedTimer took;
    took.start();

    QTest::mouseClick(Form19->Button1, Qt::LeftButton);

    const qint64 waited = took.elapsed();
    qunsetenv("TABEL_LOCK_TIMEOUT");
    QVERIFY2(saving.finished(), qPrintable(saving.output()));
    TestDb::exec("select pg_terminate_backend(pid) from pg_stat_activity where datname=current_database() "
                 "and application_name='psql'");
    QVERIFY2(waited >= 2000 && waited <= 3000, qPrintable(QString::number(waited)));
    QCOMPARE(log.shown().size(), 1);
    QVERIFY2(log.texts().first().startsWith("Сервер БД не выполнил действие вовремя"), qPrintable(log.texts().first()));
    QCOMPARE(Fixture::hoursCell(f.petrov, 1, october), 6);
    QCOMPARE(storedGrid(11, 2026), november);
    QVERIFY(!Transaction::isOpen(TDataModule6::ConnectionName));
}

void TestTimesheet::exportReadBack()
{
    const Floor f = makeFloor();
    Fixture::hoursRow(f.petrov, 2, QDate(2023, 9, 1), {{3, 7}});
    Fixture::hoursRow(f.ivanov, 1, QDate(2023, 9, 1), {{1, 8}, {2, 9}, {5, 4}});
    Fixture::hoursRow(f.ivanov, 4, QDate(2023, 9, 1), {{2, 3}, {30, 2}});   // overtime on the same day adds up
    Fixture::hoursRow(f.sidorov, 1, QDate(2023, 8, 1), {{3, 8}});           // another month
    chooseMonth(9, 2023);
    Form19->show();
    QVERIFY(QTest::qWaitForWindowActive(Form19));

    MessageLog log;
    QTest::mouseClick(Form19->Button2, Qt::LeftButton);

    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join('\n')));
    QCOMPARE(Form19->Button2->text(), QStringLiteral("Excel (2 из 2)"));
    QCOMPARE(m_opened.size(), 1);
    const XlsxSheet sheet = XlsxSheet::read(m_opened.first());

    const XlsxCell heading = sheet.cell(1, 1);
    QCOMPARE(heading.value, QStringLiteral("Сентябрь 2023"));
    QVERIFY(!heading.number && heading.textFormat && heading.bold);
    const XlsxCell nameTitle = sheet.cell(1, 2);
    QCOMPARE(nameTitle.value, QStringLiteral("Фамилия И.О."));
    QVERIFY(!nameTitle.number && nameTitle.textFormat && nameTitle.bold);
    for (int day = 1; day <= 31; ++day) {
        const XlsxCell title = sheet.cell(day + 1, 2);
        QCOMPARE(title.value, QString::number(day));
        QVERIFY(title.number && !title.textFormat && title.bold);
    }
    const XlsxCell totalTitle = sheet.cell(33, 2);
    QCOMPARE(totalTitle.value, QStringLiteral("Итого"));
    QVERIFY(!totalTitle.number && totalTitle.textFormat && totalTitle.bold);

    const QList<int> ivanov{8, 12, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    const QList<int> petrov{0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const QList<QPair<QString, QList<int>>> workers{{"Иванов И.И.", ivanov}, {"Петров П.П.", petrov}};
    for (int i = 0; i < workers.size(); ++i) {
        const int row = i + 3;
        const XlsxCell name = sheet.cell(1, row);
        QCOMPARE(name.value, workers.at(i).first);
        QVERIFY(!name.number && name.textFormat && !name.bold);
        QList<int> hours;
        for (int day = 1; day <= 31; ++day) {
            const XlsxCell cell = sheet.cell(day + 1, row);
            QVERIFY2(cell.number && !cell.bold, qPrintable(XlsxSheet::ref(day + 1, row)));
            hours << cell.value.toInt();
        }
        QCOMPARE(hours, workers.at(i).second);
        const XlsxCell total = sheet.cell(33, row);
        QVERIFY(total.number && !total.bold);
        const int stored = TestDb::scalar(QStringLiteral("select sum(%1) from accounts_dep.h_tabel h, cmn_contractor.person p "
                                                         "where h.w_id=p.s_code::integer and p.s_caption='%2' and month=9 and year=2023")
                                              .arg(dayColumns("+"), workers.at(i).first))
                               .toInt();
        QCOMPARE(total.value.toInt(), stored);
    }
    QVERIFY(!sheet.has(1, 5));
    QCOMPARE(sheet.cells.size(), 1 + 33 * 3);

    // The count stays until the window is activated again.
    QDialog other;
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(Form19->Button2->text(), QStringLiteral("Excel (2 из 2)"));
    other.close();
    Form19->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form19));
    QCOMPARE(Form19->Button2->text(), QStringLiteral("Excel"));
}

void TestTimesheet::exportProgress()
{
    const Floor f = makeFloor();
    for (int worker : {f.ivanov, f.petrov, f.sidorov})
        Fixture::hoursRow(worker, 1, QDate(2024, 3, 1), {{1, 8}});
    QList<QPair<int, int>> reported;
    QVERIFY(exportMonth(3, 2024, [&](int written, int count) { reported << qMakePair(written, count); }));
    QCOMPARE(reported, (QList<QPair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(XlsxSheet::read(m_opened.first()).text(1, 1), QStringLiteral("Март 2024"));
}

void TestTimesheet::exportOfEmptyMonth()
{
    const Floor f = makeFloor();
    Fixture::hoursRow(f.ivanov, 1, QDate(2023, 10, 1), {{1, 8}});
    chooseMonth(9, 2023);
    MessageLog log;
    QTest::mouseClick(Form19->Button2, Qt::LeftButton);

    QVERIFY(log.shown().isEmpty());
    QCOMPARE(Form19->Button2->text(), QStringLiteral("Excel (0 из 0)"));
    QCOMPARE(m_opened.size(), 1);
    const XlsxSheet sheet = XlsxSheet::read(m_opened.first());
    QCOMPARE(sheet.text(1, 1), QStringLiteral("Сентябрь 2023"));
    QCOMPARE(sheet.text(33, 2), QStringLiteral("Итого"));
    QCOMPARE(sheet.cells.size(), 1 + 33);
}

void TestTimesheet::exportWithoutWorkbook()
{
    const Floor f = makeFloor();
    Fixture::hoursRow(f.ivanov, 1, QDate(2023, 9, 1), {{1, 8}});
    QDir(m_home.filePath(QStringLiteral("Documents"))).removeRecursively();
    QFile blocker(m_home.filePath(QStringLiteral("Documents")));   // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    chooseMonth(9, 2023);
    Form19->Button2->setText(QStringLiteral("Excel"));
    MessageLog log;
    QTest::mouseClick(Form19->Button2, Qt::LeftButton);
    QFile::remove(blocker.fileName());

    QCOMPARE(log.texts(), QStringList{"Ошибка открытия файла Microsoft Excel."});
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(Form19->Button2->text(), QStringLiteral("Excel"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(TestTimesheet)
#include "tst_timesheet.moc"
