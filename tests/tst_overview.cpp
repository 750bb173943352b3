#include "app/application.h"
#include "app/overview_wiring.h"
#include "core/data_module.h"
#include "history/change_log_window.h"
#include "journal/journal_window.h"
#include "overview/overview_charts.h"
#include "overview/overview_output.h"
#include "overview/overview_window.h"
#include "support/fixtures.h"
#include "support/pdf_words.h"
#include "support/test_database.h"
#include "timesheet/t13_days.h"
#include "toolkit/clock.h"
#include "toolkit/dataset.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QPieSeries>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QStackedBarSeries>
#include <QTemporaryDir>
#include <algorithm>
#include <tuple>

// The month and the year at a glance: every chart draws what the server's own arithmetic gives
// for the same entries, each role sees what its reports show, and the window follows what other
// clients commit.
class TestOverview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void periods_data();
    void periods();
    void outputAddsUp();
    void monthChartsEqualServer();
    void yearChartsEqualServer();
    void roles_data();
    void roles();
    void followsOtherClients();
    void clicksLeadOn();
    void dayOffBarsKeepColours();
    void savesPngAndPdf();
    void printsEveryFigure();
};

namespace {
const QDate March(2026, 3, 1);
const char* const Other = "other";

// The figures the server computes by itself, one text per chart; `kind` narrows to one product
// kind ("" every kind).
QString serverHours(const QString& kind = {})
{
    const QString rows = kind.isEmpty() ? QString()
        : QStringLiteral(" and s.o_id in (select id from accounts_dep.oper where %1)").arg(kind);
    return TestDb::scalar(QStringLiteral(
        "select string_agg(coalesce(h, 0)::text, ' ' order by d, sh) from generate_series(1, 31) d cross join generate_series(1, 4) sh "
        "left join lateral (select sum(s.\"time\") h from accounts_dep.smena s where s.data = make_date(2026, 3, d) and s.smena = sh%1) x on true")
                              .arg(rows)).toString();
}

QString serverWorkers(const QString& order)
{
    return TestDb::scalar(QStringLiteral(
        "select string_agg(fio || '=' || replace(round(m, 2)::text, '.', ',') || '/' || p, '; ' order by %1, fio) from ("
        " select pe.fio, sum(s.kol_vo::numeric * s.cena::numeric) - sum(s.brak::numeric * s.cena::numeric) m, sum(s.kol_vo) - sum(s.brak) p"
        " from accounts_dep.smena s join accounts_dep.person pe on pe.id = s.w_id"
        " where s.data between '2026-03-01' and '2026-03-31' group by pe.fio) t").arg(order)).toString();
}

QString serverGroups(const QString& kind = QStringLiteral("true"))
{
    return TestDb::scalar(QStringLiteral(
        "select string_agg(g || '=' || p, '; ' order by g) from ("
        " select case o.naimen when 0 then 'Готовая продукция' else 'Заготовки' end g, sum(s.kol_vo) - sum(s.brak) p"
        " from accounts_dep.smena s join accounts_dep.oper o on o.id = s.o_id"
        " where s.data between '2026-03-01' and '2026-03-31' and %1 group by 1) t").arg(kind)).toString();
}

// The days the hours chart shades as days off.
QVector<bool> shadedDays(QChartView* view)
{
    for (QGraphicsItem* item : view->chart()->childItems())
        if (const auto* shade = dynamic_cast<const DaysOffShade*>(item))
            return shade->daysOff();
    return {};
}

// Each sheet's lines of print: the words of a height, left to right; columns side by side run on
// into one line.
QList<QStringList> printedLines(const QString& pdf)
{
    QList<PdfWord> words = pdfWords(pdf);
    auto row = [](const PdfWord& w) { return qRound(w.rect.center().y() * 2); };
    std::sort(words.begin(), words.end(), [&](const PdfWord& a, const PdfWord& b) {
        return std::tuple(a.page, row(a), a.rect.left()) < std::tuple(b.page, row(b), b.rect.left());
    });
    QList<QStringList> sheets;
    for (int i = 0; i < words.size(); ++i) {
        const PdfWord& w = words.at(i);
        while (sheets.size() <= w.page)
            sheets.append(QStringList());
        if (i > 0 && words.at(i - 1).page == w.page && row(words.at(i - 1)) == row(w))
            sheets[w.page].last() += ' ' + w.text;
        else
            sheets[w.page].append(w.text);
    }
    return sheets;
}

QList<QBarSet*> barSets(QChartView* view)
{
    return static_cast<QAbstractBarSeries*>(view->chart()->series().constFirst())->barSets();
}

QStringList categories(QChartView* view, Qt::Orientation along)
{
    for (QAbstractAxis* axis : view->chart()->axes(along))
        if (auto* names = qobject_cast<QBarCategoryAxis*>(axis))
            return names->categories();
    return {};
}

// What the hours chart draws, as serverHours writes it.
QString drawnHours()
{
    const QList<QBarSet*> sets = barSets(Form29->ChartView1);
    QStringList values;
    for (int part = 0; part < sets.constFirst()->count(); ++part)
        for (QBarSet* set : sets)
            values << QString::number(qint64(set->at(part)));
    return values.join(' ');
}

// The workers' figures beside their chart, in its order.
QString listedWorkers()
{
    QStringList lines;
    for (int row = 0; row + 1 < Form29->Table2->rowCount(); ++row)
        lines << Form29->Table2->item(row, 0)->text() + '=' + Form29->Table2->item(row, 1)->text() + '/'
                   + Form29->Table2->item(row, 2)->text();
    return lines.join("; ");
}

// The workers' bars from the top down: "name=value".
QStringList drawnWorkers()
{
    const QStringList names = categories(Form29->ChartView2, Qt::Vertical);
    const QBarSet* set = barSets(Form29->ChartView2).constFirst();
    QStringList bars;
    for (int i = set->count() - 1; i >= 0; --i)
        bars << names.at(i) + '=' + QString::number(set->at(i), 'f', 2);
    return bars;
}

// "name=value" of the same workers as the server ranks them, the value with a point.
QStringList expectedBars(const QString& server, bool money)
{
    QStringList bars;
    for (const QString& line : server.split("; ")) {
        const QString name = line.section('=', 0, 0);
        const QString figures = line.section('=', 1);
        const QString value = money ? figures.section('/', 0, 0).replace(',', '.') : figures.section('/', 1);
        bars << surnameAndInitials(name) + '=' + QString::number(value.toDouble(), 'f', 2);
    }
    return bars;
}

QString drawnGroups()
{
    QStringList groups;
    if (auto* pie = qobject_cast<QPieSeries*>(Form29->ChartView3->chart()->series().constFirst())) {
        for (QPieSlice* slice : pie->slices())
            groups << slice->label().section(':', 0, 0) + '=' + QString::number(qint64(slice->value()));
        return groups.join("; ");
    }
    const QStringList names = categories(Form29->ChartView3, Qt::Horizontal);
    const QBarSet* set = barSets(Form29->ChartView3).constFirst();
    for (int i = 0; i < set->count(); ++i)
        groups << names.at(i) + '=' + QString::number(qint64(set->at(i)));
    return groups.join("; ");
}

void other(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(Other));
    QVERIFY2(query.exec(statement), qPrintable(statement + "\n" + query.lastError().text()));
}
}

void TestOverview::initTestCase()
{
    TestDb::setUp();
    createForms();
    TestDb::openClient(Other);
}

void TestOverview::cleanupTestCase()
{
    TestDb::closeClient(Other);
    destroyForms();
    TestDb::tearDown();
}

// March 2026: all four shifts, work on Saturday the 7th and on Monday the 9th (a holiday by the
// calendar), Saturday the 14th worked by the calendar, finished products and blanks, defects,
// prices whose sums drift as binary fractions; entries in February and April around it.
void TestOverview::init()
{
    TestDb::resetData();
    Clock::setToday(QDate(2026, 3, 20));
    TestDb::execAsOwner("insert into accounts_dep.work_calendar (day, kind) values ('2026-03-09', 'H'), ('2026-03-14', 'W')");
    const int ivanov = Fixture::worker("Иванов Иван Иванович");
    const int petrov = Fixture::worker("Петров Петр Петрович");
    const int sidorov = Fixture::worker("Сидоров Сидор Сидорович");
    const int box = Fixture::product("Короб А");
    const int blank = Fixture::product("Заготовка Б");
    const int boxOp = Fixture::operation(box, Fixture::operationType("Сборка"), 0, 12.35);
    const int blankOp = Fixture::operation(blank, Fixture::operationType("Резка"), 1, 0.1);
    struct Row { int day; int shift; int worker; bool finished; double price; int quantity; int defects; int hours; int month = 3; };
    const QList<Row> rows{
        {2, 1, ivanov, true, 12.35, 10, 1, 8},   {2, 2, petrov, false, 0.1, 30, 0, 8}, {2, 3, sidorov, true, 12.35, 5, 0, 8},
        {2, 4, ivanov, false, 0.1, 7, 0, 3},     {7, 1, petrov, true, 24.7, 4, 0, 6},  {9, 1, sidorov, false, 0.1, 3, 0, 4},
        {9, 2, ivanov, true, 12.35, 2, 0, 4},    {14, 1, sidorov, false, 0.7, 11, 2, 8}, {31, 3, petrov, false, 0.7, 1, 0, 8},
        {31, 1, petrov, false, 0.1, 3, 0, 2},    {15, 1, ivanov, true, 12.35, 6, 0, 8, 2}, {1, 2, sidorov, false, 0.1, 9, 0, 7, 4}};
    for (const Row& r : rows) {
        Fixture::Entry e;
        e.date = QDate(2026, r.month, r.day);
        e.shift = r.shift;
        e.worker = r.worker;
        e.operation = r.finished ? boxOp : blankOp;
        e.product = r.finished ? box : blank;
        e.price = r.price;
        e.quantity = r.quantity;
        e.defects = r.defects;
        e.hours = r.hours;
        Fixture::entry(e);
    }
    scopeOverview(Role::Administrator);
}

void TestOverview::cleanup()
{
    Form29->hide();
    Form1->hide();
    Form29->ComboBox3->setCurrentIndex(0);
    Form29->CheckBox1->setChecked(false);
    Clock::setToday(QDate());
}

void TestOverview::periods_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("parts");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("February of a leap year") << 2024 << 2 << QDate(2024, 3, 1) << 29 << "Февраль 2024" << "01.02 чт";
    QTest::newRow("February") << 2026 << 2 << QDate(2026, 3, 1) << 28 << "Февраль 2026" << "01.02 вс";
    QTest::newRow("December") << 2026 << 12 << QDate(2027, 1, 1) << 31 << "Декабрь 2026" << "01.12 вт";
    QTest::newRow("a year") << 2026 << 0 << QDate(2027, 1, 1) << 12 << "2026 год" << "Январь";
}

void TestOverview::periods()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QDate, to);
    QFETCH(int, parts);
    QFETCH(QString, heading);
    QFETCH(QString, firstLine);
    const OverviewPeriod period{year, month};
    QCOMPARE(period.to(), to);
    QCOMPARE(period.parts(), parts);
    QCOMPARE(periodHeading(period), heading);
    QCOMPARE(partLine(period, 1), firstLine);
    QVERIFY(period.contains(to.addDays(-1)) && !period.contains(to) && !period.contains(period.from().addDays(-1)));
}

// A worker's lines of both groups add up to his, exactly as decimals; equal figures rank by name.
void TestOverview::outputAddsUp()
{
    Dataset rows(QLatin1String(TDataModule6::ConnectionName), "Rows");
    rows.setSql("select * from (values (7, 0, 'Яковлев Я. Я.', 3::bigint, '0.1'), (5, 1, 'Борисов Б. Б.', 1::bigint, '0.3'),"
                " (7, 1, 'Яковлев Я. Я.', 2::bigint, '0.2'), (9, 0, 'Антонов А. А.', 3::bigint, '0.30')) t(w_id, kind, fio, pieces, money)");
    rows.open();
    QVector<WorkerOutput> workers = workerOutputs(rows);
    const QVector<GroupOutput> groups = groupOutputs(rows);
    QCOMPARE(workers.size(), 3);
    QCOMPARE(workers.at(0).money.exact(), QString("0.3"));   // 0.1 + 0.2, not 0.30000000000000004
    QCOMPARE(workers.at(0).pieces, 5);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.at(0).pieces, 6);
    QCOMPARE(groups.at(1).pieces, 3);
    QCOMPARE(moneyText(totalMoney(workers)), QString("0,90"));
    rankWorkers(workers, OutputMeasure::Money);
    QStringList names;
    for (const WorkerOutput& w : workers)
        names << w.name;
    QCOMPARE(names, (QStringList{"Антонов А. А.", "Борисов Б. Б.", "Яковлев Я. Я."}));
    rankWorkers(workers, OutputMeasure::Pieces);
    QCOMPARE(workers.constFirst().name, QString("Яковлев Я. Я."));
}

void TestOverview::monthChartsEqualServer()
{
    Form29->ChooseMonth(March);
    QCOMPARE(Form29->figures().period, (OverviewPeriod{2026, 3}));

    // Hours: 31 days of four stacked shifts, the days off of the calendar shaded and in red.
    const QList<QBarSet*> shifts = barSets(Form29->ChartView1);
    QCOMPARE(shifts.size(), 4);
    QCOMPARE(shifts.at(3)->label(), QString("Переработка"));
    QCOMPARE(drawnHours(), serverHours());
    const QString off = TestDb::scalar("select string_agg(case when accounts_dep.day_off(make_date(2026, 3, d)) then '1' else '0' end, '' "
                                       "order by d) from generate_series(1, 31) d").toString();
    QString shaded, red;
    for (int day = 0; day < 31; ++day) {
        shaded += shadedDays(Form29->ChartView1).value(day) ? '1' : '0';
        red += Form29->Table1->item(day, 0)->foreground().color() == QColor(200, 0, 0) ? '1' : '0';
    }
    QCOMPARE(shaded, off);
    QCOMPARE(red, off);
    QCOMPARE(off.mid(6, 9), QString("111000001"));   // 7-8 weekend, 9 holiday, 14 worked, 15 off
    QCOMPARE(Form29->Table1->item(31, 5)->text(), TestDb::scalar("select sum(\"time\") from accounts_dep.smena where data between '2026-03-01' and '2026-03-31'").toString());

    // Workers by money, then by pieces: the largest first, the exact figures and the total beside.
    const QString byMoney = serverWorkers("m desc");
    QCOMPARE(listedWorkers(), byMoney);
    QCOMPARE(drawnWorkers(), expectedBars(byMoney, true));
    const QString total = TestDb::scalar("select replace(round(sum((kol_vo - brak)::numeric * cena::numeric), 2)::text, '.', ',') "
                                         "from accounts_dep.smena where data between '2026-03-01' and '2026-03-31'").toString();
    QCOMPARE(Form29->Table2->item(Form29->Table2->rowCount() - 1, 1)->text(), total);
    QVERIFY2(Form29->ChartView2->chart()->title().endsWith(total), qPrintable(Form29->ChartView2->chart()->title()));
    Form29->ComboBox3->setCurrentIndex(1);
    Form29->MeasureChange();
    const QString byPieces = serverWorkers("p desc");
    QCOMPARE(listedWorkers(), byPieces);
    QCOMPARE(drawnWorkers(), expectedBars(byPieces, false));

    // Product groups as bars and as a pie.
    QCOMPARE(drawnGroups(), serverGroups());
    Form29->CheckBox1->setChecked(true);
    Form29->CheckBox1Click();
    QCOMPARE(drawnGroups(), serverGroups());
    QCOMPARE(Form29->Label1->text(), QString());
}

void TestOverview::yearChartsEqualServer()
{
    Form29->ChooseMonth(March);
    Form29->RadioButton2->setChecked(true);
    Form29->PeriodChange();
    QCOMPARE(Form29->figures().period, (OverviewPeriod{2026, 0}));
    QVERIFY(!Form29->ComboBox1->isEnabled());
    const QString months = TestDb::scalar(
        "select string_agg(coalesce(h, 0)::text, ' ' order by m, sh) from generate_series(1, 12) m cross join generate_series(1, 4) sh "
        "left join lateral (select sum(s.\"time\") h from accounts_dep.smena s where s.data >= make_date(2026, m, 1) "
        "and s.data < make_date(2026, m, 1) + interval '1 month' and s.smena = sh) x on true").toString();
    QCOMPARE(drawnHours(), months);
    QCOMPARE(categories(Form29->ChartView1, Qt::Horizontal).mid(0, 3), (QStringList{"янв", "фев", "мар"}));
    const QString pieces = TestDb::scalar("select sum(kol_vo) - sum(brak) from accounts_dep.smena where data between '2026-01-01' and '2026-12-31'").toString();
    QCOMPARE(Form29->Table3->item(Form29->Table3->rowCount() - 1, 1)->text(), pieces);
    QCOMPARE(Form29->Table2->item(Form29->Table2->rowCount() - 1, 2)->text(), pieces);
}

void TestOverview::roles_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("workers");
    QTest::addColumn<bool>("finishedOnly");
    QTest::newRow("planner") << int(Role::Planner) << true << false;
    QTest::newRow("master") << int(Role::Master) << false << false;
    QTest::newRow("warehouse") << int(Role::Warehouse) << false << true;
    QTest::newRow("administrator") << int(Role::Administrator) << true << false;
}

// Each role sees what its reports show: the output per worker with the report by workers, the
// finished products alone (their hours too) for the warehouse.
void TestOverview::roles()
{
    QFETCH(int, role);
    QFETCH(bool, workers);
    QFETCH(bool, finishedOnly);
    scopeOverview(Role(role));
    Form29->ChooseMonth(March);
    QCOMPARE(!Form29->ChartView2->isHidden(), workers);
    QCOMPARE(!Form29->Table2->isHidden(), workers);
    QCOMPARE(drawnHours(), serverHours(finishedOnly ? "naimen = 0" : ""));
    QCOMPARE(drawnGroups(), serverGroups(finishedOnly ? "o.naimen = 0" : "true"));
    QCOMPARE(Form29->Label2->text().contains("Готовая продукция"), finishedOnly);
}

// Another client saves into the shown month and closes it: the charts follow within a second.
void TestOverview::followsOtherClients()
{
    Form29->ChooseMonth(March);
    Form29->show();
    const qint64 before = Form29->figures().hours.at(9).shift[1];
    const QString groupsBefore = drawnGroups();
    other("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, \"time\", ok) "
          "select '2026-03-10', 2, s.w_id, s.i_id, s.o_id, 12.35, 5, 0, 0, 5, 'no' from accounts_dep.smena s "
          "where s.data = '2026-03-02' and s.smena = 1");
    QTRY_COMPARE_WITH_TIMEOUT(Form29->figures().hours.at(9).shift[1], before + 5, 3000);
    QCOMPARE(drawnHours(), serverHours());
    QCOMPARE(listedWorkers(), serverWorkers("m desc"));
    QCOMPARE(drawnGroups(), serverGroups());
    QVERIFY(drawnGroups() != groupsBefore);

    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (3, 2026)");
    QTRY_COMPARE_WITH_TIMEOUT(Form29->Label1->text(), QString("Месяц закрыт"), 3000);
    Form29->RadioButton2->setChecked(true);
    Form29->PeriodChange();
    QCOMPARE(Form29->Label1->text(), QString("Закрыты: мар"));
}

// A day's bar opens the journal on that day; a worker's bar hands on the worker and the
// period; a month of the year opens that month.
void TestOverview::clicksLeadOn()
{
    MessageLog log;
    Fixture::showJournal(QDate(2026, 3, 20));
    Form29->setLinks(true, true);
    Form29->ChooseMonth(March);
    QSignalSpy days(Form29, &TForm29::dayChosen);
    QSignalSpy workers(Form29, &TForm29::workerChosen);
    emit barSets(Form29->ChartView1).at(1)->clicked(8);
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join('\n')));
    QCOMPARE(days.size(), 1);
    QCOMPARE(days.at(0).at(0).toDate(), QDate(2026, 3, 9));
    QCOMPARE(Form1->DateT->date(), QDate(2026, 3, 9));
    // The top bar, the largest: as the program wires it, the worker's changes of the month.
    QBarSet* bars = barSets(Form29->ChartView2).constFirst();
    int listed = 0;
    QDate from, to;
    QVERIFY(expectModal<TForm25>([&] { emit bars->clicked(bars->count() - 1); }, [&](TForm25* log) {
        listed = log->ComboBox1->currentData().toInt();
        from = log->DTPicker1->date();
        to = log->DTPicker2->date();
        log->close();
    }));
    const int largest = TestDb::scalar("select w_id from accounts_dep.smena where data between '2026-03-01' and '2026-03-31' "
                                       "group by w_id order by sum((kol_vo - brak) * cena::numeric) desc limit 1").toInt();
    QCOMPARE(workers.size(), 1);
    QCOMPARE(workers.at(0).at(0).toInt(), largest);
    QCOMPARE(listed, largest);
    QCOMPARE(from, QDate(2026, 3, 1));
    QCOMPARE(to, QDate(2026, 3, 31));

    // Enter on a day's line of the figures is a click on its bar.
    Form29->show();
    Form29->Table1->setFocus();
    Form29->Table1->setCurrentCell(13, 0);
    QTest::keyClick(Form29->Table1, Qt::Key_Return);
    QCOMPARE(days.size(), 2);
    QCOMPARE(days.at(1).at(0).toDate(), QDate(2026, 3, 14));
    Form29->hide();

    Form29->RadioButton2->setChecked(true);
    Form29->PeriodChange();
    emit barSets(Form29->ChartView1).at(0)->clicked(1);
    QCOMPARE(Form29->figures().period, (OverviewPeriod{2026, 2}));
    QCOMPARE(days.size(), 2);

    // Without the journal's date to move (the planner), a day leads nowhere.
    Form29->setLinks(false, false);
    Form29->ChooseMonth(March);
    emit barSets(Form29->ChartView1).at(0)->clicked(1);
    QCOMPARE(days.size(), 2);

    // As the program wires it: the overview closes and the journal shows the day.
    Form29->setLinks(true, true);
    QVERIFY(expectModal<TForm29>([] { Form29->ShowMonth(March); },
                                 [](TForm29* w) { emit barSets(w->ChartView1).at(0)->clicked(6); }));
    QVERIFY(!Form29->isVisible());
    QCOMPARE(Form1->DateT->date(), QDate(2026, 3, 7));
    QVERIFY(Form1->CBox1->isChecked());
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join('\n')));
}

// A worked Saturday's bar shows its shifts' own colours: the shading of days off lies behind
// the bars, and still shows on a day off nobody worked.
void TestOverview::dayOffBarsKeepColours()
{
    Form29->resize(1366, 700);
    Form29->ChooseMonth(March);
    Form29->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form29));
    QChartView* view = Form29->ChartView1;
    QChart* chart = view->chart();
    const QImage image = view->grab().toImage();
    auto pixel = [&](double day, double hours) {
        const QPointF at = chart->mapToPosition(QPointF(day, hours), chart->series().constFirst());
        return image.pixelColor(view->mapFromScene(chart->mapToScene(at)));
    };
    QCOMPARE(pixel(6, 3), QColor(70, 120, 180));     // the 7th, shift 1: 6 hours
    QCOMPARE(pixel(1, 4), QColor(70, 120, 180));     // a weekday alike
    // The 8th, nobody worked: the shade over the white plot, to the blending's rounding.
    const QColor shade = pixel(7, 1), key = hoursKey(true).constLast().colour;
    QVERIFY2(qAbs(shade.red() - key.red()) + qAbs(shade.green() - key.green()) + qAbs(shade.blue() - key.blue()) <= 3,
             qPrintable(shade.name() + " " + key.name()));
    QCOMPARE(pixel(9, 1), QColor(Qt::white));         // the 10th, a weekday nobody worked
}

void TestOverview::savesPngAndPdf()
{
    QCOMPARE(QFileInfo(overviewFileName({2026, 3})).fileName(), QString("Обзор месяца Март 2026.pdf"));
    QCOMPARE(QFileInfo(overviewFileName({2026, 0})).fileName(), QString("Обзор года 2026.pdf"));
    Form29->resize(1366, 700);
    Form29->ChooseMonth(March);
    Form29->show();
    QTemporaryDir dir;
    const QString png = dir.filePath("overview.png");
    QVERIFY(saveOverview(Form29->Panel1, Form29->sheet(), png));
    const QImage image(png);
    QCOMPARE(image.size(), Form29->Panel1->size() * Form29->Panel1->devicePixelRatioF());

    // On paper: the charts, then every day, every worker and every total, whatever the window
    // showed of them.
    const QString pdf = dir.filePath("overview.pdf");
    QVERIFY(saveOverview(Form29->Panel1, Form29->sheet(), pdf));
    QProcess info;
    info.start("pdfinfo", {pdf});
    QVERIFY(info.waitForFinished());
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(text.contains("Pages:           2"), qPrintable(text));
    QVERIFY2(text.contains("842 x 595 pts (A4)"), qPrintable(text));   // landscape
    const QList<QStringList> sheets = printedLines(pdf);
    QCOMPARE(sheets.size(), 2);
    const QString charts = sheets.at(0).join('\n'), figures = sheets.at(1).join('\n');
    QVERIFY2(charts.contains("Обзор месяца: Март 2026") && charts.contains("Переработка"), qPrintable(charts));
    for (int day = 1; day <= 31; ++day) {
        QStringList line;
        for (int column = 0; column < Form29->Table1->columnCount(); ++column)
            line << Form29->Table1->item(day - 1, column)->text();
        QVERIFY2(figures.contains(line.join(' ')), qPrintable(line.join(' ') + "\n" + figures));
    }
    for (const QString& worker : serverWorkers("m desc").split("; ")) {
        const QString line = worker.section('=', 0, 0) + ' ' + worker.section('=', 1).replace('/', ' ');
        QVERIFY2(figures.contains(line), qPrintable(line + "\n" + figures));
    }
    // The totals, as the window's tables end.
    for (QTableWidget* table : {Form29->Table1, Form29->Table2, Form29->Table3}) {
        QStringList total;
        for (int column = 0; column < table->columnCount(); ++column)
            total << table->item(table->rowCount() - 1, column)->text();
        QVERIFY2(figures.contains(total.join(' ')), qPrintable(total.join(' ') + "\n" + figures));
    }
    QVERIFY2(!figures.contains("(продолжение)") && figures.contains("Страница 2 из 2"), qPrintable(figures));
}

// A floor of many workers goes on over sheets: each worker once, the table's header again at
// the top of each column it goes on in, the sheets numbered.
void TestOverview::printsEveryFigure()
{
    OverviewSheet sheet;
    sheet.heading = "Обзор месяца: Март 2026";
    sheet.figures.period = {2026, 3};
    sheet.figures.hours.resize(31);
    sheet.figures.daysOff.resize(31);
    for (int day = 0; day < 31; ++day) {
        sheet.figures.hours[day].shift[day % 4] = 8;
        sheet.figures.daysOff[day] = day % 7 > 4;
    }
    for (int i = 1; i <= 170; ++i)
        sheet.figures.workers.append({i, QString("Работник%1 Тестовый Петрович").arg(i, 3, 10, QChar('0')), i, Decimal::fromVariant(QString("%1.05").arg(i))});
    sheet.figures.groups = {{0, 170}, {1, 5}};
    QTemporaryDir dir;
    const QString pdf = dir.filePath("many.pdf");
    QVERIFY(printOverview(sheet, pdf));
    const QList<QStringList> sheets = printedLines(pdf);
    QVERIFY2(sheets.size() >= 4, qPrintable(QString::number(sheets.size())));
    QMap<QString, int> seen;
    int headers = 0, continued = 0;
    for (int page = 1; page < sheets.size(); ++page) {   // the first draws the first workers' bars
        for (const QString& line : sheets.at(page))
            for (const QString& word : line.split(' ')) {
                if (word.startsWith("Работник"))
                    ++seen[word];
                headers += word == "Рабочий";
                continued += word == "(продолжение)";
            }
        QVERIFY2(sheets.at(page).constLast().endsWith(QString("Страница %1 из %2").arg(page + 1).arg(sheets.size())),
                 qPrintable(sheets.at(page).constLast()));
    }
    QCOMPARE(seen.size(), 170);
    QVERIFY(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
    QCOMPARE(headers, continued + 1);   // the hours and the groups fit in a column each
    QVERIFY(headers >= 4);
    QVERIFY(sheets.constLast().join('\n').contains(QString("Итого %1,50 %2").arg(170 * 171 / 2 + 8).arg(170 * 171 / 2)));
}

QTEST_MAIN(TestOverview)
#include "tst_overview.moc"
