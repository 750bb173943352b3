#include "catalogs/operation_types_window.h"
#include "catalogs/operations_window.h"
#include "catalogs/products_window.h"
#include "catalogs/workers_window.h"
#include "core/data_module.h"
#include "core/roles.h"
#include "core/sign_in_window.h"
#include "journal/acceptance.h"
#include "journal/journal_menu.h"
#include "journal/journal_window.h"
#include "reports/reports_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "toolkit/clock.h"
#include "toolkit/dataset.h"
#include "toolkit/sql_text.h"

#include <QHeaderView>
#include <QAbstractItemModelTester>
#include <QCalendarWidget>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QDate Wednesday(2024, 3, 13);
const QDate Saturday(2024, 3, 16);
const QDate Sunday(2024, 3, 17);
const QDate Monday(2024, 3, 18);

using Fixture::Days;
using Fixture::Floor;
using Fixture::entry;
using Fixture::makeFloor;

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

QList<Dataset*> journalLists()
{
    return {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4};
}

// The lists as they read before the worker match became two index probes: one condition
// "(w_id=person.id or s_code::t_id=w_id)" the server tested for every entry and every person.
QString orMatchStatement(int shift)
{
    if (shift == 1)
        return QStringLiteral(
            "select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, \n"
            "smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen,  smena.brak, smena.kol_vo::numeric,\n"
            "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, color,time, smena.ok, vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use\n"
            "from cmn_contractor.person person, accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper \n"
            "where smena.i_id=izdel.id and smena.o_id=oper.id and (w_id=person.id or s_code::t_id=w_id) and \n"
            "oper.vid=vid_oper.id and smena.smena=1 and smena.data=:data and ok!=:ok order by \n"
            "fio, izdel.marka, vid_oper.vid, oper.naimen, color");
    return QStringLiteral(
               "select smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, \n"
               "smena.cena, s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen, smena.kol_vo::numeric, smena.brak, \n"
               "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, smena.id, color,time,smena.ok,vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use  \n"
               "from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper \n"
               "where smena.i_id=izdel.id and smena.o_id=oper.id and (w_id=person.id or s_code::t_id=w_id) and \n"
               "oper.vid=vid_oper.id and smena.smena=%1 and smena.data=:data and ok<>:ok order by fio")
        .arg(shift);
}

// Every row of a statement, each as its values joined, in the order read.
QStringList rowsOf(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(TDataModule6::ConnectionName));
    if (!query.exec(statement))
        qFatal("%s", qPrintable(query.lastError().text()));
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

QString hoursRowCondition(int worker, int shift, const QDate& date)
{
    return QStringLiteral(" from accounts_dep.h_tabel where w_id=%1 and smena=%2 and month=%3 and year=%4")
        .arg(worker)
        .arg(shift)
        .arg(date.month())
        .arg(date.year());
}

int hoursRows(int worker, int shift, const QDate& date)
{
    return TestDb::scalar(QStringLiteral("select count(*)") + hoursRowCondition(worker, shift, date)).toInt();
}

// The sum of all 31 cells of the worker's row.
int hoursTotal(int worker, int shift, const QDate& date)
{
    QStringList cells;
    for (int day = 1; day <= 31; ++day)
        cells << QStringLiteral("d%1").arg(day);
    return TestDb::scalar(QStringLiteral("select ") + cells.join('+') + hoursRowCondition(worker, shift, date)).toInt();
}

QString markOf(int entryId)
{
    return TestDb::scalar(QStringLiteral("select ok from accounts_dep.smena where id=%1").arg(entryId)).toString();
}

bool entryExists(int entryId)
{
    return TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.smena where id=%1").arg(entryId)).toInt() == 1;
}

// Shows the journal as the sign-in does; its activation reads the lists of `today`.
void showJournal(const QDate& today)
{
    Clock::setToday(today);
    Form1->show();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
}

void chooseDateWithEnter(const QDate& date)
{
    Form1->DateT->setFocus();
    Form1->DateT->setDate(date);
    QTest::keyClick(Form1->DateT, Qt::Key_Return);
}

// Picks the date in the drop-down calendar, which then closes.
void chooseDateInCalendar(const QDate& date)
{
    QDateEdit* picker = Form1->DateT;
    QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(picker->width() - 6, picker->height() / 2));
    QCalendarWidget* calendar = Form1->DateT->calendarWidget();
    QTRY_VERIFY(calendar->window()->isVisible());
    calendar->setSelectedDate(date);
    QTest::keyClick(calendar->findChild<QTableView*>("qt_calendar_calendarview"), Qt::Key_Return);
    QTRY_VERIFY(!calendar->window()->isVisible());
}

int gridRows()
{
    return Form1->DBGrid2->model()->rowCount();
}

int selectedRow()
{
    return Form1->DBGrid2->currentIndex().row();
}

void selectRow(int row)
{
    Form1->DBGrid2->selectRow(row);
}

void doubleClickRow(int row, const QString& field = QStringLiteral("fio"))
{
    DBGrid* grid = Form1->DBGrid2;
    const QPoint at = grid->visualRect(grid->model()->index(row, grid->columnOf(field))).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

// Pixels of the cell's image close to a colour.
int pixelsNear(const QImage& image, const QRect& rect, const QColor& color)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (qAbs(p.red() - color.red()) + qAbs(p.green() - color.green()) + qAbs(p.blue() - color.blue()) < 40)
                ++n;
        }
    return n;
}

bool isBold(const QWidget* w)
{
    return w->font().bold();
}

// The colour the window shows beside the widget's caption.
QColor face(QWidget* w)
{
    const QPoint corner = w->mapTo(w->window(), QPoint(w->width() - 2, w->height() - 2));
    return w->window()->grab(QRect(corner, QSize(1, 1))).toImage().pixelColor(0, 0);
}

QColor plainFace()
{
    return QApplication::palette().color(QPalette::Button);
}

// Enabled state of every control and menu item of the journal, by object name.
QMap<QString, bool> enabledStates(TForm1* form)
{
    QMap<QString, bool> states;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        if (auto* menu = qobject_cast<QMenu*>(w))
            states.insert(w->objectName(), menu->menuAction()->isEnabled());
        else
            states.insert(w->objectName(), w->isEnabled());
    }
    for (QAction* a : form->findChildren<QAction*>())
        if (!a->objectName().isEmpty())
            states.insert(a->objectName(), a->isEnabled());
    return states;
}

class MarkProbe : public AcceptanceMarkDelegate {
public:
    using AcceptanceMarkDelegate::AcceptanceMarkDelegate;
    using AcceptanceMarkDelegate::initStyleOption;
};

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void journalListsOnDemoFloor();
    void workerMatchedByIdOrCode();
    void listsKeepTheRowsOfTheOrMatch();
    void codeThatIsNoNumberNamesNoWorker();
    void firstShiftSortsWithinWorker();

    void activation_data();
    void activation();
    void dateChosen_data();
    void dateChosen();
    void typedDateAloneDoesNothing();
    void shiftSwitchAndRefresh();
    void acceptanceMarkDrawing();
    void numbersReadAsNumbers();
    void layoutStaysPut();
    void exitCloses_data();
    void exitCloses();
    void menuItems();

    void upkeepAfterSave_data();
    void upkeepAfterSave();
    void upkeepAfterDelete_data();
    void upkeepAfterDelete();

    void deletion_data();
    void deletion();
    void deletionOfEmptyList();
    void deletionAndItsHoursTogether();
    void deletionUsesTheListedDay();

    void acceptance_data();
    void acceptance();
    void acceptanceOnEmptyList();

    void roles_data();
    void roles();

    void reportsPeriod_data();
    void reportsPeriod();
    void referenceBooksFromMenu_data();
    void referenceBooksFromMenu();
};

void TestJournal::initTestCase()
{
    TestDb::setUp();
    Form3 = new TForm3;
    Form4 = new TForm4;
    Form5 = new TForm5;
    Form8 = new TForm8;
}

void TestJournal::cleanupTestCase()
{
    delete Form8;
    delete Form5;
    delete Form4;
    delete Form3;
    TestDb::tearDown();
}

void TestJournal::init()
{
    TestDb::resetData();
    Form1 = new TForm1;
    Form18 = new TForm18;
    Form23 = new TForm23;
    // As the sign-in leaves them: entries marked 'ta' are never listed.
    for (Dataset* list : journalLists())
        list->setParam(QStringLiteral("ok"), QStringLiteral("ta"));
}

void TestJournal::cleanup()
{
    delete Form23;
    Form23 = nullptr;
    delete Form18;
    Form18 = nullptr;
    delete Form1;
    Form1 = nullptr;
    Clock::setToday({});
}

void TestJournal::journalListsOnDemoFloor()
{
    TestDb::runScript(QFINDTESTDATA("../db/demo.sql"));
    const QDate today = QDate::currentDate();
    Floor f;
    f.ivanov = 1;
    f.product = TestDb::scalar("select min(id) from accounts_dep.izdel").toInt();
    f.operation = TestDb::scalar("select min(id) from accounts_dep.oper").toInt();
    for (int shift = 1; shift <= 4; ++shift) {
        entry(f, 1, today, shift, 1, QStringLiteral("ta"));
        TestDb::exec(QStringLiteral("update accounts_dep.smena set ok=NULL where id=%1").arg(entry(f, 1, today, shift)));
    }

    for (int shift = 1; shift <= 4; ++shift) {
        Dataset* list = DataModule6->shiftDataset(shift);
        list->setParam(QStringLiteral("data"), today);
        list->open();
        const int listed = TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.smena where smena=%1 and data=%2 and ok<>'ta'")
                                              .arg(shift)
                                              .arg(sqlDate(today)))
                               .toInt();
        QVERIFY2(listed > 0, qPrintable(QString("shift %1").arg(shift)));
        QCOMPARE(list->recordCount(), listed);
        for (const char* field : {"id", "data", "smena", "i_id", "o_id", "w_id", "cena", "fio", "marka", "vid", "nmn", "naimen", "brak",
                                  "kol_vo", "summa", "prize", "color", "time", "ok", "vvod", "id_doc", "id_doc_item", "f_gds_qty_use",
                                  "id_gds_use", "id_cons_use"})
            QVERIFY2(list->fieldIndex(field) >= 0, field);
        for (list->first(); !list->eof(); list->next()) {
            QVERIFY(!list->value("ok").isNull());
            QVERIFY(list->value("ok").toString() != "ta");
            QVERIFY(!list->value("fio").toString().isEmpty());
            const double summa = (list->value("kol_vo").toDouble() - list->value("brak").toDouble()) * list->value("cena").toDouble();
            QVERIFY(qAbs(list->value("summa").toDouble() - summa) < 0.006);
        }
        list->close();
    }
}

void TestJournal::workerMatchedByIdOrCode()
{
    const Floor f = makeFloor();
    // An ERP person whose id is Ivanov's number: the entry is found through both.
    TestDb::exec(QStringLiteral("insert into cmn_contractor.person (id, s_caption, s_code) values (%1, 'Другой Д.Д.', '')").arg(f.ivanov));
    entry(f, f.ivanov, Wednesday);
    Dataset* list = DataModule6->Smena1;
    list->setParam("data", Wednesday);
    list->open();
    QCOMPARE(list->recordCount(), 2);
    QStringList names;
    for (list->first(); !list->eof(); list->next())
        names << list->value("fio").toString();
    QCOMPARE(names, QStringList({"Другой Д.Д.", "Иванов И.И."}));
}

void TestJournal::listsKeepTheRowsOfTheOrMatch()
{
    const Floor f = makeFloor();
    // Petrov: his own person by code and a second person whose id is his number.
    TestDb::exec(QStringLiteral("insert into cmn_contractor.person (id, s_caption, s_code) values (%1, 'Другой Д.Д.', '900')").arg(f.petrov));
    // Sidorov: one more person matched both by id and by code, which the or-match lists once.
    TestDb::exec(QStringLiteral("insert into cmn_contractor.person (id, s_caption, s_code) values (%1, 'Двойной Д.Д.', '%1')").arg(f.sidorov));
    // Ivanov: a second person whose code has spaces around his number.
    TestDb::exec(QStringLiteral("insert into cmn_contractor.person (s_caption, s_code) values ('Пробельный П.П.', ' %1 ')").arg(f.ivanov));
    for (int shift = 1; shift <= 4; ++shift) {
        for (int worker : {f.ivanov, f.petrov, f.sidorov, f.sidorov, 777})
            entry(f, worker, Wednesday, shift, shift);
        entry(f, f.petrov, Wednesday, shift, 1, QStringLiteral("ta"));
        entry(f, f.petrov, Wednesday.addDays(1), shift);
    }
    const QVariantMap params{{"data", Wednesday}, {"ok", "ta"}};
    for (int shift = 1; shift <= 4; ++shift) {
        const QStringList before = rowsOf(bindParameters(orMatchStatement(shift), params));
        const QStringList after = rowsOf(bindParameters(journalStatement(shift), params));
        QCOMPARE(after.size(), 2 + 2 + 2 * 2);
        // The order is the same as far as the lists order at all (by name first).
        const auto names = [](const QStringList& rows, int column) {
            QStringList fio;
            for (const QString& row : rows)
                fio << row.section(QLatin1Char('|'), column, column);
            return fio;
        };
        const int fio = shift == 1 ? 7 : 6;
        QCOMPARE(names(after, fio), names(before, fio));
        QStringList sortedBefore = before, sortedAfter = after;
        sortedBefore.sort();
        sortedAfter.sort();
        QCOMPARE(sortedAfter, sortedBefore);
    }
}

void TestJournal::codeThatIsNoNumberNamesNoWorker()
{
    const Floor f = makeFloor();
    TestDb::exec("insert into cmn_contractor.person (s_caption, s_code) values ('Поставщик', 'П-17'), ('Склад', '')");
    entry(f, f.ivanov, Wednesday);
    entry(f, f.petrov, Wednesday);
    Dataset* list = DataModule6->Smena1;
    list->setParam("data", Wednesday);
    list->open();
    QCOMPARE(list->recordCount(), 2);
}

void TestJournal::firstShiftSortsWithinWorker()
{
    const Floor f = makeFloor();
    const int later = Fixture::product(QStringLiteral("Щит Щ-2"));
    const int earlier = Fixture::product(QStringLiteral("Дверь Д-1"));
    const int type = Fixture::operationType(QStringLiteral("Шлифовка"));
    for (int shift : {1, 2}) {
        for (int product : {later, earlier}) {
            Fixture::Entry e;
            e.date = Wednesday;
            e.shift = shift;
            e.worker = f.petrov;
            e.product = product;
            e.operation = Fixture::operation(product, type);
            Fixture::entry(e);
        }
        entry(f, f.ivanov, Wednesday, shift);
    }
    Dataset* list = DataModule6->Smena1;
    list->setParam("data", Wednesday);
    list->open();
    QStringList rows;
    for (list->first(); !list->eof(); list->next())
        rows << list->value("fio").toString() + " " + list->value("marka").toString();
    QCOMPARE(rows, QStringList({"Иванов И.И. Ящик Я-1", "Петров П.П. Дверь Д-1", "Петров П.П. Щит Щ-2"}));

    Dataset* second = DataModule6->Smena2;
    second->setParam("data", Wednesday);
    second->open();
    QStringList names;
    for (second->first(); !second->eof(); second->next())
        names << second->value("fio").toString();
    QCOMPARE(names, QStringList({"Иванов И.И.", "Петров П.П.", "Петров П.П."}));
}

void TestJournal::activation_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("tickedBefore");
    QTest::addColumn<bool>("dayOff");
    QTest::newRow("weekday, clear") << Wednesday << false << false;
    QTest::newRow("weekday, ticked by hand") << Wednesday << true << true;
    QTest::newRow("saturday") << Saturday << false << true;
    QTest::newRow("sunday") << Sunday << false << true;
}

void TestJournal::activation()
{
    QFETCH(QDate, today);
    QFETCH(bool, tickedBefore);
    QFETCH(bool, dayOff);
    const Floor f = makeFloor();
    entry(f, f.ivanov, today, 1);
    entry(f, f.petrov, today, 1);
    entry(f, f.ivanov, today, 4);
    entry(f, f.ivanov, today.addDays(-1), 1);
    Form1->CBox1->setChecked(tickedBefore);

    showJournal(today);

    QCOMPARE(Form1->DateT->date(), today);
    QCOMPARE(Form1->CBox1->isChecked(), dayOff);
    QCOMPARE(isBold(Form1->CBox1), dayOff);
    QCOMPARE(face(Form1->CBox1), dayOff ? Red : plainFace());
    QCOMPARE(gridRows(), 2);
    for (Dataset* list : journalLists())
        QVERIFY(list->isOpen());
    QCOMPARE(DataModule6->Smena4->recordCount(), 1);

    // Coming back from a dialog keeps the day the user chose.
    chooseDateWithEnter(today.addDays(-1));
    QDialog other;
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    other.close();
    Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    QCOMPARE(Form1->DateT->date(), today.addDays(-1));
    QCOMPARE(gridRows(), 1);
}

void TestJournal::dateChosen_data()
{
    QTest::addColumn<bool>("withCalendar");
    QTest::newRow("enter") << false;
    QTest::newRow("calendar") << true;
}

void TestJournal::dateChosen()
{
    QFETCH(bool, withCalendar);
    const Floor f = makeFloor();
    entry(f, f.ivanov, Saturday, 1);
    entry(f, f.petrov, Saturday, 1);
    entry(f, f.ivanov, Saturday, 2);
    entry(f, f.ivanov, Monday, 1);
    showJournal(Wednesday);
    QCOMPARE(gridRows(), 0);
    auto choose = [&](const QDate& date) { withCalendar ? chooseDateInCalendar(date) : chooseDateWithEnter(date); };

    choose(Saturday);
    QCOMPARE(gridRows(), 2);
    QCOMPARE(DataModule6->Smena2->recordCount(), 1);
    QVERIFY(Form1->CBox1->isChecked());
    QVERIFY(isBold(Form1->CBox1));
    QCOMPARE(face(Form1->CBox1), Red);
    QVERIFY(Form1->DBGrid2->hasFocus());

    Form1->CBox1->setChecked(false);
    Form1->CBox1->setChecked(true);
    choose(Monday);
    QCOMPARE(gridRows(), 1);
    QVERIFY(!Form1->CBox1->isChecked());
    QVERIFY(!isBold(Form1->CBox1));
    QCOMPARE(face(Form1->CBox1), plainFace());
}

void TestJournal::typedDateAloneDoesNothing()
{
    const Floor f = makeFloor();
    entry(f, f.ivanov, Saturday, 1);
    showJournal(Wednesday);
    Form1->DateT->setFocus();
    Form1->DateT->setDate(Saturday);
    QTest::keyClick(Form1->DateT, Qt::Key_Tab);
    QCOMPARE(Form1->DateT->date(), Saturday);
    QCOMPARE(gridRows(), 0);
    QVERIFY(!Form1->CBox1->isChecked());
}

void TestJournal::shiftSwitchAndRefresh()
{
    const Floor f = makeFloor();
    for (int shift = 1; shift <= 4; ++shift)
        entry(f, f.ivanov, Wednesday, shift);
    entry(f, f.petrov, Wednesday, 1);
    showJournal(Wednesday);
    QAbstractItemModelTester tester(Form1->DBGrid2->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(gridRows(), 2);
    QCOMPARE(Form1->FShift, 1);
    QCOMPARE(face(Form1->RadioButton1), Green);
    QVERIFY(isBold(Form1->RadioButton1));

    // Written by another client after the lists were read: the switch shows the list as read.
    for (int shift = 1; shift <= 4; ++shift)
        entry(f, f.sidorov, Wednesday, shift);
    QTest::mouseClick(Form1->RadioButton4, Qt::LeftButton);
    QCOMPARE(Form1->FShift, 4);
    QCOMPARE(Form1->DBGrid2->dataset(), DataModule6->Smena4);
    QCOMPARE(gridRows(), 1);
    QCOMPARE(face(Form1->RadioButton4), Green);
    QVERIFY(isBold(Form1->RadioButton4));
    for (QRadioButton* other : {Form1->RadioButton1, Form1->RadioButton2, Form1->RadioButton3}) {
        QCOMPARE(face(other), plainFace());
        QVERIFY(!isBold(other));
    }

    QTest::mouseClick(Form1->RadioButton1, Qt::LeftButton);
    QCOMPARE(Form1->FShift, 1);
    selectRow(1);
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    QCOMPARE(Form1->DBGrid2->dataset(), DataModule6->Smena1);
    QCOMPARE(gridRows(), 3);
    QCOMPARE(selectedRow(), 0);
    for (int shift = 2; shift <= 4; ++shift)
        QCOMPARE(DataModule6->shiftDataset(shift)->recordCount(), 2);
}

void TestJournal::acceptanceMarkDrawing()
{
    const Floor f = makeFloor();
    entry(f, f.ivanov, Wednesday, 1, 8, QStringLiteral("no"));
    entry(f, f.petrov, Wednesday, 1, 8, QStringLiteral("ok"));
    entry(f, f.sidorov, Wednesday, 1, 8, QStringLiteral("да"));
    showJournal(Wednesday);
    DBGrid* grid = Form1->DBGrid2;
    const int column = grid->columnOf("ok");
    const QList<QColor> expected{Red, Green, Green};

    for (int selected : {0, 2}) {
        selectRow(selected);
        const QImage image = grid->viewport()->grab().toImage();
        for (int row = 0; row < 3; ++row) {
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            const QColor other = expected.at(row) == Red ? Green : Red;
            QVERIFY2(pixelsNear(image, cell, expected.at(row)) > 5, qPrintable(QString("row %1").arg(row)));
            QCOMPARE(pixelsNear(image, cell, other), 0);
            // The background stays the grid's: the selected row's highlight, otherwise the base.
            const QColor background = grid->palette().color(row == selected ? QPalette::Highlight : QPalette::Base);
            QCOMPARE(image.pixelColor(cell.topLeft() + QPoint(2, 2)), background);
        }
    }

    MarkProbe probe;
    QStyleOptionViewItem option;
    option.state = QStyle::State_Enabled;
    probe.initStyleOption(&option, grid->model()->index(0, column));
    QVERIFY(option.font.bold());
    QCOMPARE(option.palette.color(QPalette::HighlightedText), Red);

    // A disabled grid (the planner's) greys the marks like every other cell.
    grid->setEnabled(false);
    const QImage greyed = grid->viewport()->grab().toImage();
    grid->setEnabled(true);
    for (int row = 0; row < 3; ++row) {
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QCOMPARE(pixelsNear(greyed, cell, Red), 0);
        QCOMPARE(pixelsNear(greyed, cell, Green), 0);
    }
}

void TestJournal::numbersReadAsNumbers()
{
    const Floor f = makeFloor();
    const int id = entry(f, f.ivanov, Wednesday, 1, 8);
    TestDb::exec(QStringLiteral("update accounts_dep.smena set cena=14.8, kol_vo=100, brak=0 where id=%1").arg(id));
    showJournal(Wednesday);
    const QAbstractItemModel* model = Form1->DBGrid2->model();
    const auto cell = [&](const char* field) { return model->index(0, Form1->DBGrid2->columnOf(field)); };

    QCOMPARE(cell("summa").data().toString(), QStringLiteral("1480,00"));
    QCOMPARE(cell("summa").data(Qt::EditRole).toDouble(), 1480.0);   // the value itself is untouched
    for (const char* field : {"color", "time", "kol_vo", "brak", "summa"})
        QCOMPARE(cell(field).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(cell("fio").data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

// Ticking "Выходной" or choosing a day without entries moves neither the date nor the columns.
void TestJournal::layoutStaysPut()
{
    const Floor f = makeFloor();
    entry(f, f.ivanov, Wednesday);
    showJournal(Wednesday);
    QHeaderView* columns = Form1->DBGrid2->horizontalHeader();
    const int dateX = Form1->DateT->mapTo(Form1, QPoint()).x();
    const int firstColumnX = columns->mapTo(Form1, QPoint()).x();
    QCOMPARE(Form1->DBGrid2->model()->rowCount(), 1);

    Form1->CBox1->setChecked(true);
    QCoreApplication::processEvents();
    QVERIFY(Form1->CBox1->font().bold());
    QCOMPARE(Form1->DateT->mapTo(Form1, QPoint()).x(), dateX);

    chooseDateWithEnter(Wednesday.addDays(1));
    QCoreApplication::processEvents();
    QCOMPARE(Form1->DBGrid2->model()->rowCount(), 0);
    QCOMPARE(columns->mapTo(Form1, QPoint()).x(), firstColumnX);
    QCOMPARE(Form1->DateT->mapTo(Form1, QPoint()).x(), dateX);
}

void TestJournal::exitCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << "button";
    QTest::newRow("menu") << "menu";
    QTest::newRow("escape") << "escape";
}

void TestJournal::exitCloses()
{
    QFETCH(QString, how);
    Clock::setToday(Wednesday);
    bool shown = false;
    whenModal<TForm1>([&](TForm1* w) {
        shown = true;
        if (how == "button")
            QTest::mouseClick(w->Button4, Qt::LeftButton);
        else if (how == "menu")
            w->N5->trigger();
        else
            QTest::keyClick(w->DBGrid2, Qt::Key_Escape);
    });
    Form1->exec();
    QVERIFY(shown);
    QVERIFY(!Form1->isVisible());
}

void TestJournal::menuItems()
{
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Табель"));
    QCOMPARE(Form1->size(), QSize(1281, 585));
    QCOMPARE(Form1->minimumSize(), Form1->maximumSize());   // fixed border
    QVERIFY(!Form1->N12->isVisible());
    QVERIFY(Form1->DBGrid2->isColumnHidden(Form1->DBGrid2->columnOf("prize")));
    QCOMPARE(Form1->DBGrid2->model()->headerData(Form1->DBGrid2->columnOf("summa"), Qt::Horizontal).toString(), QStringLiteral("Итого (р.)"));
    showJournal(Wednesday);
    MessageLog log;
    Form1->N8->trigger();
    QCoreApplication::processEvents();
    QVERIFY(log.shown().isEmpty());
    QCOMPARE(QApplication::activeWindow(), Form1);
}

void TestJournal::upkeepAfterSave_data()
{
    // Entries (day of March 2024, hours) written one after the other by plain statements; the
    // worker's grid row edited by hand beforehand (empty: none); the row's cell and total
    // afterwards (the other day's entry below adds its 5 hours unless the hand edit covers it).
    QTest::addColumn<int>("shift");
    QTest::addColumn<Days>("entries");
    QTest::addColumn<Days>("rowBefore");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("total");
    QTest::newRow("first entry adds the row") << 1 << Days{{13, 8}} << Days{} << 8 << 13;
    QTest::newRow("second entry of the day sums") << 1 << Days{{13, 5}, {13, 3}} << Days{} << 8 << 13;
    QTest::newRow("other days keep their hours") << 2 << Days{{13, 6}} << Days{{12, 7}, {14, 2}} << 6 << 15;
    QTest::newRow("0 hours still written") << 1 << Days{{13, 0}} << Days{{13, 9}} << 0 << 5;
    QTest::newRow("first entry with 0 hours") << 1 << Days{{13, 0}} << Days{} << 0 << 5;
    QTest::newRow("overtime") << 4 << Days{{13, 2}, {13, 1}} << Days{} << 3 << 8;
    QTest::newRow("day 9") << 3 << Days{{9, 4}} << Days{} << 4 << 9;
    QTest::newRow("day 31") << 1 << Days{{31, 11}} << Days{{1, 1}} << 11 << 17;
}

void TestJournal::upkeepAfterSave()
{
    QFETCH(int, shift);
    QFETCH(Days, entries);
    QFETCH(Days, rowBefore);
    QFETCH(int, cell);
    QFETCH(int, total);
    const Floor f = makeFloor();
    const QDate day(2024, 3, entries.first().first);
    // Entries of other shifts, other workers and other days stay out of the cell; so does
    // acceptance, which the hours do not care about.
    entry(f, f.ivanov, day, shift == 1 ? 2 : 1, 5);
    entry(f, f.petrov, day, shift, 5);
    entry(f, f.ivanov, day.addDays(day.day() == 31 ? -1 : 1), shift, 5);
    if (!rowBefore.isEmpty())
        Fixture::hoursRow(f.ivanov, shift, day, rowBefore);
    const QStringList marks{"no", "ok"};
    for (int i = 0; i < entries.size(); ++i)
        entry(f, f.ivanov, QDate(2024, 3, entries.at(i).first), shift, entries.at(i).second, marks.at(i % 2));
    QCOMPARE(hoursRows(f.ivanov, shift, day), 1);
    QCOMPARE(Fixture::hoursCell(f.ivanov, shift, day), cell);
    QCOMPARE(hoursTotal(f.ivanov, shift, day), total);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), 3);
}

void TestJournal::upkeepAfterDelete_data()
{
    QTest::addColumn<QList<int>>("hours");   // entries of the day; the first one is deleted
    QTest::addColumn<bool>("rowBefore");     // false: the row was deleted by hand
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cell");
    QTest::newRow("one of two deleted") << QList<int>{5, 3} << true << 1 << 3;
    QTest::newRow("last one deleted") << QList<int>{5} << true << 1 << 0;
    QTest::newRow("no row is added") << QList<int>{5} << false << 0 << 0;
}

void TestJournal::upkeepAfterDelete()
{
    QFETCH(QList<int>, hours);
    QFETCH(bool, rowBefore);
    QFETCH(int, rows);
    QFETCH(int, cell);
    const Floor f = makeFloor();
    QList<int> ids;
    for (int h : hours)
        ids << entry(f, f.ivanov, Wednesday, 2, h);
    if (rowBefore)
        Fixture::hoursRow(f.ivanov, 2, Wednesday, {{12, 4}, {13, 8}});
    else
        TestDb::exec(QStringLiteral("delete from accounts_dep.h_tabel"));
    TestDb::exec(QStringLiteral("delete from accounts_dep.smena where id=%1").arg(ids.first()));
    QCOMPARE(hoursRows(f.ivanov, 2, Wednesday), rows);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), rows);
    if (rows) {
        QCOMPARE(Fixture::hoursCell(f.ivanov, 2, Wednesday), cell);
        QCOMPARE(hoursTotal(f.ivanov, 2, Wednesday), 4 + cell);
    }
}

void TestJournal::deletion_data()
{
    QTest::addColumn<int>("shift");
    QTest::addColumn<bool>("yes");
    QTest::newRow("no") << 1 << false;
    QTest::newRow("yes") << 1 << true;
    QTest::newRow("yes, overtime") << 4 << true;
}

void TestJournal::deletion()
{
    QFETCH(int, shift);
    QFETCH(bool, yes);
    const Floor f = makeFloor();
    entry(f, f.ivanov, Wednesday, shift, 2);
    const int kept = entry(f, f.petrov, Wednesday, shift, 3);
    const int doomed = entry(f, f.petrov, Wednesday, shift, 5);
    // A stale cell shows whether the upkeep ran.
    Fixture::hoursRow(f.petrov, shift, Wednesday, {{12, 4}, {13, 99}});
    showJournal(Wednesday);
    if (shift == 4)
        QTest::mouseClick(Form1->RadioButton4, Qt::LeftButton);
    Dataset* list = DataModule6->shiftDataset(shift);
    QVERIFY(list->locate("id", doomed));
    QCOMPARE(selectedRow(), list->currentRow());
    QVERIFY(selectedRow() > 0);

    MessageLog log;
    log.answer({yes});
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);

    QCOMPARE(log.shown().size(), 1);
    QCOMPARE(log.shown().first().text, QStringLiteral("Удалить позицию из списка?"));
    QCOMPARE(log.shown().first().caption, QStringLiteral("Удаление"));
    QVERIFY(log.shown().first().icon == MessageBox::Icon::Question);
    QCOMPARE(entryExists(doomed), !yes);
    QVERIFY(entryExists(kept));
    QCOMPARE(gridRows(), yes ? 2 : 3);
    QCOMPARE(selectedRow(), 0);
    QCOMPARE(Fixture::hoursCell(f.petrov, shift, Wednesday), yes ? 3 : 99);
    QCOMPARE(Fixture::hoursCell(f.petrov, shift, Wednesday.addDays(-1)), 4);
    QVERIFY(!DataModule6->Control->isOpen());
}

void TestJournal::deletionOfEmptyList()
{
    showJournal(Wednesday);
    MessageLog log;
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);
    QVERIFY(log.shown().isEmpty());
}

// A deletion whose hours fail deletes nothing; once the grid takes writes again it goes through.
void TestJournal::deletionAndItsHoursTogether()
{
    const Floor f = makeFloor();
    const int id = entry(f, f.ivanov, Wednesday, 1, 5);
    Fixture::hoursRow(f.ivanov, 1, Wednesday, {{13, 5}});
    showJournal(Wednesday);
    Fixture::GridTrigger refused("raise exception 'h_tabel: записи в табель запрещены';");
    MessageLog log;
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);
    QCOMPARE(log.shown().size(), 2);
    QVERIFY(log.shown().at(1).icon == MessageBox::Icon::Stop);
    QCOMPARE(log.shown().at(1).text, QString("Сервер БД отказался выполнить действие."));
    QVERIFY(log.shown().at(1).detail.contains("записи в табель запрещены"));
    QVERIFY(entryExists(id));
    QCOMPARE(Fixture::hoursCell(f.ivanov, 1, Wednesday), 5);
    QCOMPARE(gridRows(), 1);

    refused.lift();
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);
    QCOMPARE(log.shown().size(), 3);
    QVERIFY(!entryExists(id));
    QCOMPARE(Fixture::hoursCell(f.ivanov, 1, Wednesday), 0);
    QCOMPARE(gridRows(), 0);
}

void TestJournal::deletionUsesTheListedDay()
{
    // A date typed into the picker but not chosen yet does not change the list, so the cell
    // brought in step is that of the day the entry was listed for.
    const Floor f = makeFloor();
    entry(f, f.ivanov, Wednesday, 1, 3);
    const int doomed = entry(f, f.ivanov, Wednesday, 1, 5);
    Fixture::hoursRow(f.ivanov, 1, Wednesday, {{13, 8}, {14, 6}});
    entry(f, f.ivanov, Wednesday.addDays(1), 1, 6);
    showJournal(Wednesday);
    Form1->DateT->setDate(Wednesday.addDays(1));
    QVERIFY(DataModule6->Smena1->locate("id", doomed));
    MessageLog log;
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);
    QVERIFY(!entryExists(doomed));
    QCOMPARE(Fixture::hoursCell(f.ivanov, 1, Wednesday), 3);
    QCOMPARE(Fixture::hoursCell(f.ivanov, 1, Wednesday.addDays(1)), 6);
}

void TestJournal::acceptance_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("after");   // after the first and the second double click
    QTest::newRow("no, ok, no") << "9723" << "no" << "fio" << QStringList{"ok", "no"};
    QTest::newRow("on the OK column") << "piwun" << "no" << "ok" << QStringList{"ok", "no"};
    QTest::newRow("да becomes no") << "9723" << "да" << "marka" << QStringList{"no", "ok"};
    QTest::newRow("unknown mark becomes ok") << "9723" << "x" << "fio" << QStringList{"ok", "no"};
    QTest::newRow("master changes nothing") << MasterCode << "no" << "fio" << QStringList{"no", "no"};
}

void TestJournal::acceptance()
{
    QFETCH(QString, code);
    QFETCH(QString, before);
    QFETCH(QString, field);
    QFETCH(QStringList, after);
    const Floor f = makeFloor();
    entry(f, f.ivanov, Wednesday, 3);
    const int id = entry(f, f.petrov, Wednesday, 3, 8, before);
    entry(f, f.sidorov, Wednesday, 3);
    Form1->FSignInCode = code;
    showJournal(Wednesday);
    QTest::mouseClick(Form1->RadioButton3, Qt::LeftButton);

    for (const QString& mark : after) {
        doubleClickRow(1, field);
        QCOMPARE(markOf(id), mark);
        QCOMPARE(DataModule6->Smena3->value("ok").toString(), mark);
        QCOMPARE(selectedRow(), 1);
        QCOMPARE(Form1->DBGrid2->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(Form1->DBGrid2->selectionModel()->selectedRows().first().row(), 1);
    }
    QCOMPARE(markOf(id - 1), QStringLiteral("no"));
    QCOMPARE(markOf(id + 1), QStringLiteral("no"));
    if (code != MasterCode)
        QCOMPARE(Form1->FShiftDataset, DataModule6->Smena3);
}

void TestJournal::acceptanceOnEmptyList()
{
    showJournal(Wednesday);
    MessageLog log;
    QTest::mouseDClick(Form1->DBGrid2->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    QVERIFY(log.shown().isEmpty());
    QCOMPARE(gridRows(), 0);
}

void TestJournal::roles_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("off");
    QTest::addColumn<bool>("canAccept");
    QTest::newRow("planner") << "quaxil" << QStringList{"Button1", "Button2", "Button3", "Button8", "RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4", "CBox1", "DBGrid2", "DateT", "N2", "N11"} << false;
    QTest::newRow("master, with blanks") << "  dovrent " << QStringList{"Button2", "Button3", "N2", "N11"} << false;
    QTest::newRow("warehouse") << "piwun" << QStringList{"Button1", "Button2", "Button3", "N2", "N11"} << true;
    QTest::newRow("administrator") << "9723" << QStringList{} << true;
    QTest::newRow("administrator, long code") << "61730284" << QStringList{} << true;
}

void TestJournal::roles()
{
    QFETCH(QString, code);
    QFETCH(QStringList, off);
    QFETCH(bool, canAccept);
    const Floor f = makeFloor();
    const int id = entry(f, f.ivanov, Wednesday);
    entry(f, f.ivanov, Wednesday, 1, 8, QStringLiteral("ta"));
    Clock::setToday(Wednesday);
    for (Dataset* list : journalLists())
        list->setParam(QStringLiteral("ok"), QVariant());
    const QMap<QString, bool> before = enabledStates(Form1);

    QMap<QString, bool> during;
    int rows = -1;
    whenModal<TForm1>([&](TForm1* w) {
        // Its activation reads the lists.
        QVERIFY(QTest::qWaitForWindowActive(w));
        during = enabledStates(w);
        rows = w->DBGrid2->model()->rowCount();
        doubleClickRow(0);
        w->close();
    });
    Form23->Edit1->setText(code);
    QTest::mouseClick(Form23->Button1, Qt::LeftButton);

    QCOMPARE(rows, 1);
    QCOMPARE(during.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(during.value(it.key()) == (off.contains(it.key()) ? false : it.value()), qPrintable(it.key()));
    QCOMPARE(markOf(id), canAccept ? QStringLiteral("ok") : QStringLiteral("no"));
}

void TestJournal::reportsPeriod_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("january") << QDate(2024, 1, 15) << QDate(2023, 12, 1) << QDate(2024, 1, 1);
    QTest::newRow("march") << QDate(2024, 3, 15) << QDate(2024, 2, 1) << QDate(2024, 3, 1);
    QTest::newRow("first of the month") << QDate(2024, 3, 1) << QDate(2024, 2, 1) << QDate(2024, 3, 1);
    QTest::newRow("last of december") << QDate(2023, 12, 31) << QDate(2023, 11, 1) << QDate(2023, 12, 1);
}

void TestJournal::reportsPeriod()
{
    QFETCH(QDate, today);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const ReportPeriod period = reportsDefaultPeriod(today);
    QCOMPARE(period.from, from);
    QCOMPARE(period.to, to);
}

void TestJournal::referenceBooksFromMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("list");
    QTest::newRow("workers") << "N1" << "TForm5" << "Workers";
    QTest::newRow("products") << "N3" << "TForm3" << "Izdel";
    QTest::newRow("prices") << "N4" << "TForm4" << "Oper";
    QTest::newRow("operation types") << "N6" << "TForm8" << "Vid_oper";
}

void TestJournal::referenceBooksFromMenu()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(QString, list);
    makeFloor();
    Dataset* rows = DataModule6->findChild<Dataset*>(list);
    QVERIFY(rows);
    QString shown;
    QString caption;
    bool addAndDelete = false;
    bool listOpen = false;
    whenModal<QDialog>([&](QDialog* w) {
        shown = w->objectName();
        caption = w->findChild<QPushButton*>("Button2")->text();
        addAndDelete = w->findChild<QPushButton*>("Button1")->isVisible() && w->findChild<QPushButton*>("Button3")->isVisible();
        listOpen = rows->isOpen() && rows->recordCount() > 0;
        w->close();
    });
    Form1->findChild<QAction*>(item)->trigger();
    QCOMPARE(shown, window);
    QCOMPARE(caption, QStringLiteral("Изменить"));
    QVERIFY(addAndDelete);
    QVERIFY(listOpen);
    QVERIFY(!rows->isOpen());
}

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
