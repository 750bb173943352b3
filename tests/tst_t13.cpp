#include "core/data_module.h"
#include "core/roles.h"
#include "history/change_log_window.h"
#include "history/history_statements.h"
#include "history/month_closing.h"
#include "support/fixtures.h"
#include "support/page_fit.h"
#include "support/pdf_words.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "timesheet/absence_marks_page.h"
#include "timesheet/requisites_window.h"
#include "timesheet/t13_export.h"
#include "timesheet/t13_options_window.h"
#include "timesheet/t13_printout.h"
#include "timesheet/t13_sheet.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset_grid.h"
#include "toolkit/desktop.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolButton>

// The unified time sheet (T-13): each worker's day codes and totals against the same figures
// worked out by the server, the clerk's marks and the server's rules on them, the requisites,
// and the form read back from its PDF and its spreadsheet.
class TestT13 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void daysOff_data();
    void daysOff();
    void shortNames_data();
    void shortNames();
    void codesAndTotalsMatchTheServer_data();
    void codesAndTotalsMatchTheServer();
    void codesOfTheFixtureMonth();
    void markSetAndClearedInTheWindow();
    void markingByKeys();
    void severalCellsRefused();
    void marksOfAClosedMonth();
    void marksInTheChangeLog();
    void markRefused_data();
    void markRefused();
    void closingWaitsForMarks();
    void requisitesWindowKeepsOneRow();
    void closedMonthKeepsItsRequisites();
    void pdfReadsBack();
    void spreadsheetReadsBack();
    void spreadsheetPrintsAsTheForm();
    void emptyMonthSaysSo();

private:
    QTemporaryDir m_home;
};

namespace {

const int Month = 5, Year = 2025;

struct Crew {
    int shifts = 0;    // day, night, overtime, weekend and holiday work
    int absent = 0;    // sick days, leave, a business trip with hours
    int unmarked = 0;  // sick days only, no hours at all
    int nobody = 0;    // neither hours nor marks: not on the form
};

// May 2025 with 1, 2, 8 and 9 May holidays by the calendar and Saturday 17 May moved on to work.
Crew mayFloor()
{
    EXEC_SQL("insert into accounts_dep.work_calendar (day, kind) values ('2025-05-01', 'H'), ('2025-05-02', 'H'), "
             "('2025-05-08', 'H'), ('2025-05-09', 'H'), ('2025-05-17', 'W'), ('2025-05-07', 'S')");
    Crew c;
    c.shifts = Fixture::worker(QStringLiteral("Сменов Иван Петрович"), QStringLiteral("Слесарь"));
    c.absent = Fixture::worker(QStringLiteral("Болеев Пётр Ильич"), QStringLiteral("Маляр"));
    c.unmarked = Fixture::worker(QStringLiteral("Отпускова Анна Сергеевна"), QStringLiteral("Упаковщица"));
    c.nobody = Fixture::worker(QStringLiteral("Нетов Нет Нетович"));
    const QDate may(Year, Month, 1);
    // 1 May holiday, 3 May Saturday, 5 day and night, 6 day with overtime, 7 night alone, 17 a working Saturday
    Fixture::hoursRow(c.shifts, 1, may, {{1, 8}, {5, 4}, {6, 8}, {12, 8}, {13, 8}, {17, 8}, {19, 8}, {20, 8}});
    Fixture::hoursRow(c.shifts, 2, may, {{3, 6}, {14, 8}, {21, 7}});
    Fixture::hoursRow(c.shifts, 3, may, {{5, 6}, {7, 8}, {22, 8}});
    Fixture::hoursRow(c.shifts, 4, may, {{6, 2}, {10, 5}, {22, 3}});
    Fixture::hoursRow(c.absent, 1, may, {{5, 8}, {6, 8}, {26, 8}, {27, 8}});
    EXEC_SQL(QStringLiteral("insert into accounts_dep.absence (w_id, day, code) select %1, d::date, 'Б' "
                            "from generate_series('2025-05-12'::date, '2025-05-16', '1 day') d")
                 .arg(c.absent));
    EXEC_SQL(QStringLiteral("insert into accounts_dep.absence (w_id, day, code) select %1, d::date, 'ОТ' "
                            "from generate_series('2025-05-19'::date, '2025-05-25', '1 day') d")
                 .arg(c.absent));
    EXEC_SQL(QStringLiteral("insert into accounts_dep.absence (w_id, day, code) values (%1, '2025-05-06', 'К'), (%2, '2025-05-30', 'ДО')")
                 .arg(c.absent)
                 .arg(c.absent));
    EXEC_SQL(QStringLiteral("insert into accounts_dep.absence (w_id, day, code) values (%1, '2025-05-05', 'Б'), (%1, '2025-05-06', 'Б')")
                 .arg(c.unmarked));
    // Sick over the 1 and 2 May holidays (they count), on leave over 8 and 9 May (they do not).
    EXEC_SQL(QStringLiteral("insert into accounts_dep.absence (w_id, day, code) values (%1, '2025-05-01', 'Б'), (%1, '2025-05-02', 'Б'), "
                            "(%1, '2025-05-08', 'ОТ'), (%1, '2025-05-09', 'ОТ'), (%1, '2025-05-10', 'ОТ'), (%1, '2025-05-11', 'ОТ')")
                 .arg(c.unmarked));
    return c;
}

// The same codes and totals worked out by the server from the grid, the marks and the calendar:
// per worker "code|hours" of each day joined by ";", the half-month and month figures, and the
// absences as "code:days:hours".
QString serverFigures(bool night, bool unexplained)
{
    const QString statement = QStringLiteral(R"(
with d as (select g::date as day, extract(day from g)::int as n
             from generate_series(make_date(%1, %2, 1), make_date(%1, %2, 1) + interval '1 month' - interval '1 day', '1 day') g),
w as (select w_id from accounts_dep.h_tabel where month = %2 and year = %1
      union select w_id from accounts_dep.absence where date_trunc('month', day) = make_date(%1, %2, 1)),
h as (select w.w_id, d.day, d.n,
             coalesce(sum((to_jsonb(t) ->> ('d' || d.n))::int) filter (where t.smena in (1, 2)), 0)
               + case when %3 then 0 else coalesce(sum((to_jsonb(t) ->> ('d' || d.n))::int) filter (where t.smena = 3), 0) end as dh,
             case when %3 then coalesce(sum((to_jsonb(t) ->> ('d' || d.n))::int) filter (where t.smena = 3), 0) else 0 end as nh,
             coalesce(sum((to_jsonb(t) ->> ('d' || d.n))::int) filter (where t.smena = 4), 0) as oh
        from w cross join d
        left join accounts_dep.h_tabel t on t.w_id = w.w_id and t.month = %2 and t.year = %1
       group by w.w_id, d.day, d.n),
x as (select h.*, dh + nh + oh as total, accounts_dep.day_off(h.day) as off, a.code as mark, coalesce(c.with_work, false) as with_work,
             a.code in ('ОТ', 'ОД') and exists (select 1 from accounts_dep.work_calendar k where k.day = h.day and k.kind = 'H') as leave_holiday
        from h left join accounts_dep.absence a on a.w_id = h.w_id and a.day = h.day
        left join accounts_dep.absence_code c on c.code = a.code),
y as (select x.*,
             case when total > 0 and off then 'РВ'
                  when total > 0 then concat_ws('/', case when dh > 0 then case when with_work then mark else 'Я' end end,
                                                case when nh > 0 then 'Н' end, case when oh > 0 then 'С' end)
                  when leave_holiday then 'В'
                  when mark is not null then mark
                  when off then 'В'
                  when %4 then 'НН' else '' end as code,
             case when total > 0 and off then total::text
                  when total > 0 then concat_ws('/', nullif(dh, 0)::text, nullif(nh, 0)::text, nullif(oh, 0)::text)
                  else '' end as hours,
             case when total > 0 and with_work then mark
                  when total = 0 and leave_holiday then null
                  when total = 0 and mark is not null then mark
                  when total = 0 and not off and %4 then 'НН' end as absence
        from x),
totals as (select w_id,
                  count(*) filter (where total > 0 and n <= 15) as d1, coalesce(sum(total) filter (where n <= 15), 0) as h1,
                  count(*) filter (where total > 0 and n > 15) as d2, coalesce(sum(total) filter (where n > 15), 0) as h2,
                  count(*) filter (where total > 0) as dm, sum(total) as hm,
                  string_agg(code || '|' || hours, ';' order by n) as days
             from y group by w_id),
absences as (select w_id, string_agg(a.absence || ':' || a.days || ':' || a.hours, ' ' order by c.num, a.absence) as list
               from (select w_id, absence, count(*) as days, sum(total) as hours from y where absence is not null group by w_id, absence) a
               join accounts_dep.absence_code c on c.code = a.absence
              group by w_id)
select string_agg(t.w_id || ' ' || t.days || ' ' || d1 || '/' || h1 || ' ' || d2 || '/' || h2 || ' ' || dm || '/' || hm
                  || ' [' || coalesce(a.list, '') || ']', E'\n' order by t.w_id)
  from totals t left join absences a on a.w_id = t.w_id)")
                                  .arg(Year)
                                  .arg(Month)
                                  .arg(night ? "true" : "false", unexplained ? "true" : "false");
    return TestDb::scalar(statement).toString();
}

// The program's figures in the same words.
QString programFigures(const T13Sheet& sheet)
{
    QVector<T13Worker> workers = sheet.workers;
    std::sort(workers.begin(), workers.end(), [](const T13Worker& a, const T13Worker& b) { return a.number < b.number; });
    QStringList lines;
    for (const T13Worker& w : workers) {
        const T13Line& l = w.line;
        QStringList days, absences;
        for (const T13Day& d : l.days)
            days << d.code + QLatin1Char('|') + d.hours;
        for (const AbsenceTotal& a : l.absences)
            absences << QStringLiteral("%1:%2:%3").arg(a.code).arg(a.days).arg(a.hours);
        lines << QStringLiteral("%1 %2 %3/%4 %5/%6 %7/%8 [%9]")
                     .arg(w.number)
                     .arg(days.join(QLatin1Char(';')))
                     .arg(l.halfDays[0])
                     .arg(l.halfHours[0])
                     .arg(l.halfDays[1])
                     .arg(l.halfHours[1])
                     .arg(l.monthDays)
                     .arg(l.monthHours)
                     .arg(absences.join(QLatin1Char(' ')));
    }
    return lines.join(QLatin1Char('\n'));
}

T13Sheet readMay(bool unexplained = false)
{
    T13Heading heading = defaultT13Heading(Month, Year);
    heading.markUnexplained = unexplained;
    return readT13Sheet(Month, Year, heading);
}

const T13Worker* workerOf(const T13Sheet& sheet, int number)
{
    for (const T13Worker& w : sheet.workers)
        if (w.number == number)
            return &w;
    return nullptr;
}

void setRequisites()
{
    EXEC_SQL("update accounts_dep.organisation set name = 'ООО «Кемра»', okpo = '12345678', unit = 'Цех сборки', "
             "responsible_pos = 'Табельщик', responsible_name = 'Учетова Т. В.', head_pos = 'Начальник цеха', "
             "head_name = 'Главов Г. Г.', personnel_pos = 'Инспектор по кадрам', personnel_name = 'Кадрова К. К.', "
             "pay_code = '2000', pay_account = '20'");
}

// The time-sheet window on the month, as its two lists choose it.
void chooseMonth(int month, int year)
{
    Form19->ComboBox2->clear();
    Form19->ComboBox2->addItem(QString::number(year));
    Form19->ComboBox1->setCurrentIndex(month - 1);
}

// The document "Т-13" of the window shows for the month, the question answered with `number`.
ReportDocument previewed(int month, int year, const QString& number)
{
    ReportDocument shown;
    ReportPreview::setPresenter([&](const ReportDocument& document, const QString&) { shown = document; });
    whenModal<TForm28>([number](TForm28* w) {
        if (!number.isNull())
            w->Edit1->setText(number);
        w->Button1->click();
    });
    chooseMonth(month, year);
    Form19->Button7Click();
    ReportPreview::setPresenter({});
    return shown;
}

QString screenshotFolder() { return qEnvironmentVariable("TABEL_SCREENSHOTS"); }

} // namespace

void TestT13::initTestCase()
{
    QVERIFY(m_home.isValid());
    useHomeFolder(m_home.path());
    TestDb::setUp();
    Form19 = new TForm19;
    Form27 = new TForm27;
    Form25 = new TForm25;
}

void TestT13::cleanupTestCase()
{
    Desktop::setOpener({});
    delete Form27;
    Form27 = nullptr;
    delete Form25;
    Form25 = nullptr;
    delete Form19;
    Form19 = nullptr;
    TestDb::tearDown();
}

void TestT13::init()
{
    TestDb::resetData();
}

void TestT13::daysOff_data()
{
    QTest::addColumn<QString>("calendar");
    QTest::addColumn<QString>("off");   // the days off of May 2025
    QTest::newRow("weekends alone") << "" << "3 4 10 11 17 18 24 25 31";
    QTest::newRow("holidays and a Saturday at work") << "1H 2H 8H 9H 17W 7S" << "1 2 3 4 8 9 10 11 18 24 25 31";
}

void TestT13::daysOff()
{
    QFETCH(QString, calendar);
    QFETCH(QString, off);
    QHash<int, QChar> kinds;
    for (const QString& entry : calendar.split(' ', Qt::SkipEmptyParts))
        kinds.insert(entry.chopped(1).toInt(), entry.back());
    const QVector<bool> days = monthDaysOff(Month, Year, kinds);
    QStringList found;
    for (int d = 0; d < days.size(); ++d)
        if (days.at(d))
            found << QString::number(d + 1);
    QCOMPARE(found.join(' '), off);
}

void TestT13::shortNames_data()
{
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("shortName");
    QTest::newRow("three words") << "Иванов Иван Петрович" << "Иванов И. П.";
    QTest::newRow("two words") << " Петров  Сергей " << "Петров С.";
    QTest::newRow("already short") << "Сидоров С.С." << "Сидоров С.С.";
    QTest::newRow("one word") << "Мастер" << "Мастер";
}

void TestT13::shortNames()
{
    QFETCH(QString, full);
    QFETCH(QString, shortName);
    QCOMPARE(surnameAndInitials(full), shortName);
}

void TestT13::codesAndTotalsMatchTheServer_data()
{
    QTest::addColumn<bool>("night");
    QTest::addColumn<bool>("unexplained");
    QTest::newRow("night shift, blanks") << true << false;
    QTest::newRow("night shift, НН") << true << true;
    QTest::newRow("no night work") << false << false;
}

void TestT13::codesAndTotalsMatchTheServer()
{
    QFETCH(bool, night);
    QFETCH(bool, unexplained);
    mayFloor();
    EXEC_SQL(QStringLiteral("update accounts_dep.organisation set night_shift3 = %1").arg(night ? "true" : "false"));
    const T13Sheet sheet = readMay(unexplained);
    QCOMPARE(sheet.workers.size(), 3);
    QCOMPARE(programFigures(sheet), serverFigures(night, unexplained));
}

// A few figures by hand, so that the program and the server cannot agree on a wrong rule.
void TestT13::codesOfTheFixtureMonth()
{
    const Crew c = mayFloor();
    const T13Sheet sheet = readMay();
    const T13Worker* shifts = workerOf(sheet, c.shifts);
    const T13Worker* absent = workerOf(sheet, c.absent);
    QVERIFY(shifts && absent);
    QVERIFY(!workerOf(sheet, c.nobody));
    const auto day = [](const T13Worker* w, int d) { return w->line.days.at(d - 1).code + '|' + w->line.days.at(d - 1).hours; };
    QCOMPARE(day(shifts, 1), "РВ|8");       // a holiday by the calendar
    QCOMPARE(day(shifts, 2), "В|");         // a holiday without work
    QCOMPARE(day(shifts, 3), "РВ|6");       // Saturday
    QCOMPARE(day(shifts, 5), "Я/Н|4/6");
    QCOMPARE(day(shifts, 6), "Я/С|8/2");
    QCOMPARE(day(shifts, 7), "Н|8");
    QCOMPARE(day(shifts, 17), "Я|8");       // a Saturday moved on to work
    QCOMPARE(day(shifts, 22), "Н/С|8/3");
    QCOMPARE(day(shifts, 9), "В|");
    QCOMPARE(day(absent, 6), "К|8");        // a business trip with its hours
    QCOMPARE(day(absent, 12), "Б|");
    QCOMPARE(day(absent, 24), "ОТ|");        // leave runs over the weekend
    QCOMPARE(day(absent, 28), "|");
    QCOMPARE(shifts->line.halfDays[0], 9);
    QCOMPARE(shifts->line.halfHours[0], 8 + 6 + 10 + 10 + 8 + 5 + 8 + 8 + 8);
    QCOMPARE(shifts->line.monthDays, 14);
    QCOMPARE(shifts->line.halfHours[1], 8 + 8 + 8 + 7 + 11);
    QCOMPARE(absent->line.absences,
             (QVector<AbsenceTotal>{{"К", 1, 8}, {"ОТ", 7, 0}, {"ДО", 1, 0}, {"Б", 5, 0}}));
    // Holidays: inside sick leave they count, inside annual leave they are days off and the leave
    // runs on without them.
    const T13Worker* unmarked = workerOf(sheet, c.unmarked);
    QVERIFY(unmarked);
    QCOMPARE(day(unmarked, 1), "Б|");
    QCOMPARE(day(unmarked, 8), "В|");
    QCOMPARE(day(unmarked, 9), "В|");
    QCOMPARE(day(unmarked, 10), "ОТ|");   // a Saturday inside the leave is a day of it
    QCOMPARE(unmarked->line.absences, (QVector<AbsenceTotal>{{"ОТ", 2, 0}, {"Б", 4, 0}}));
}

void TestT13::markSetAndClearedInTheWindow()
{
    const Crew c = mayFloor();
    chooseMonth(Month, Year);
    Form19->ComboBox1Change();
    AbsenceMarksPage* page = Form19->TabSheet5;
    Form19->PageControl1->setCurrentWidget(page);
    DBGrid* grid = page->DBGrid5;
    const auto rowOf = [&](int worker) {
        for (int row = 0; row < page->Absence->recordCount(); ++row)
            if (page->Absence->value(row, page->Absence->fieldIndex("w_id")).toInt() == worker)
                return row;
        return -1;
    };
    // Days 27 and 28 of two workers; one of them (the unmarked on 27) had no hours, the other none either.
    QItemSelection cells;
    for (int worker : {c.unmarked, c.nobody})
        cells.select(grid->model()->index(rowOf(worker), 27), grid->model()->index(rowOf(worker), 28));
    grid->selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
    QCOMPARE(page->selectedCells().size(), 4);

    QAction* sick = nullptr;
    for (QAction* action : page->CodesMenu->actions())
        if (action->data().toString() == "Б")
            sick = action;
    QVERIFY(sick);
    QCOMPARE(sick->text(), "Б — Временная нетрудоспособность с назначением пособия");
    QCOMPARE(sick->toolTip(), "Временная нетрудоспособность с назначением пособия");
    sick->trigger();
    QCOMPARE(TestDb::scalar("select string_agg(w_id || ' ' || to_char(day, 'DD') || ' ' || code, ', ' order by w_id, day) "
                            "from accounts_dep.absence where day >= '2025-05-27' and code = 'Б'")
                 .toString(),
             QStringLiteral("%1 27 Б, %1 28 Б, %2 27 Б, %2 28 Б").arg(c.unmarked).arg(c.nobody));
    QCOMPARE(grid->model()->index(rowOf(c.nobody), 27).data().toString(), "Б");   // the grid shows the letter
    QCOMPARE(grid->model()->index(rowOf(c.shifts), 1).data().toString(), "8");   // hours where there is no mark
    // 1 May is a holiday by the calendar, 17 May a Saturday at work.
    const auto titleColour = [&](int day) { return grid->model()->headerData(day, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(); };
    QCOMPARE(titleColour(1), titleColour(3));
    QVERIFY(titleColour(17) != titleColour(18));
    QVERIFY(titleColour(5) != titleColour(1));

    if (!screenshotFolder().isEmpty()) {
        Form19->resize(1100, 420);
        Form19->show();
        grid->selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
        QTest::qWait(50);
        Form19->grab().save(screenshotFolder() + "/t13_marks.png");
        page->CodesMenu->popup(Form19->mapToGlobal(QPoint(60, 300)));
        QTest::qWait(50);
        page->CodesMenu->grab().save(screenshotFolder() + "/t13_marks_menu.png");
        page->CodesMenu->hide();
        Form19->hide();
    }

    // Clearing one worker's two days.
    grid->selectionModel()->select(QItemSelection(grid->model()->index(rowOf(c.nobody), 27), grid->model()->index(rowOf(c.nobody), 28)),
                                   QItemSelectionModel::ClearAndSelect);
    page->Button10->click();
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.absence where day >= '2025-05-27' and code = 'Б'").toInt(), 2);
    QCOMPARE(grid->model()->index(rowOf(c.nobody), 27).data().toString(), QString());
    // Each change is in the history, with the program as the writer.
    QCOMPARE(TestDb::scalar(QStringLiteral("select string_agg(action || ' ' || coalesce(old_code, '-') || ' ' || coalesce(new_code, '-'), ', ' "
                                           "order by id) from accounts_dep.absence_log where w_id = %1")
                                .arg(c.nobody))
                 .toString(),
             "I - Б, I - Б, D Б -, D Б -");
    page->close();
}

namespace {
// The marks page on the fixture's month, and the grid row of a worker.
AbsenceMarksPage* marksPage()
{
    chooseMonth(Month, Year);
    Form19->ComboBox1Change();
    Form19->PageControl1->setCurrentWidget(Form19->TabSheet5);
    return Form19->TabSheet5;
}

void selectDays(AbsenceMarksPage* page, const QList<QPair<int, int>>& cells)   // (worker, day)
{
    QItemSelection selection;
    for (const auto& [worker, day] : cells)
        for (int row = 0; row < page->Absence->recordCount(); ++row)
            if (page->Absence->value(row, page->Absence->fieldIndex("w_id")).toInt() == worker)
                selection.select(page->DBGrid5->model()->index(row, day), page->DBGrid5->model()->index(row, day));
    page->DBGrid5->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

// Letters as the keyboard types them (QTest's own clicks carry Latin-1 only).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar letter : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(widget, &release);
    }
}

QString marksOf(int worker, const QString& from)
{
    return TestDb::scalar(QStringLiteral("select coalesce(string_agg(to_char(day, 'DD') || code, ' ' order by day), '') from accounts_dep.absence "
                                         "where w_id = %1 and day >= '%2'")
                              .arg(worker)
                              .arg(from))
        .toString();
}
}

// A code's letters typed over the selected cells mark them; a code that begins a longer one
// waits a moment for more letters; Delete clears. The hours tabs title holidays as weekends.
void TestT13::markingByKeys()
{
    const Crew c = mayFloor();
    AbsenceMarksPage* page = marksPage();
    QVERIFY(!page->Button9->isEnabled());   // nothing chosen yet
    selectDays(page, {{c.nobody, 27}, {c.nobody, 28}});
    QVERIFY(page->Button9->isEnabled() && page->Button10->isEnabled());
    typeText(page->DBGrid5, "б");
    QCOMPARE(marksOf(c.nobody, "2025-05-27"), "27Б 28Б");
    typeText(page->DBGrid5, "РП");   // typed together: "РП", not "Р"
    QCOMPARE(marksOf(c.nobody, "2025-05-27"), "27РП 28РП");
    typeText(page->DBGrid5, "Р");    // alone: "Р" once no "П" follows
    QCOMPARE(marksOf(c.nobody, "2025-05-27"), "27РП 28РП");
    QTRY_COMPARE(marksOf(c.nobody, "2025-05-27"), "27Р 28Р");
    QTest::keyClick(page->DBGrid5, Qt::Key_Delete);
    QCOMPARE(marksOf(c.nobody, "2025-05-27"), "");

    // 1 May a holiday by the calendar, 17 May a Saturday at work, on the hours tabs too.
    const auto titleColour = [](int day) { return Form19->DBGrid1->model()->headerData(day, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(); };
    QCOMPARE(titleColour(1), titleColour(3));
    QCOMPARE(titleColour(17), titleColour(16));
    QVERIFY(titleColour(1) != titleColour(5));
    // Annual leave over the 8 and 9 May holidays: the page says they are no days of it.
    selectDays(page, {{c.nobody, 7}, {c.nobody, 8}, {c.nobody, 9}});
    typeText(page->DBGrid5, "ОТ");
    QCOMPARE(page->Label2->text(), "08.05, 09.05 — праздник: в отпуск не входит, в Т-13 «В»");
    // The window a clerk works in all day resizes and maximises; full names show whole.
    QVERIFY(Form19->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    Form19->resize(1500, 900);
    QCOMPARE(Form19->size(), QSize(1500, 900));
    QVERIFY(page->DBGrid5->columnWidth(0) > page->DBGrid5->fontMetrics().horizontalAdvance("Отпускова Анна Сергеевна"));
    if (!screenshotFolder().isEmpty()) {   // forty workers with their full names
        for (int i = 1; i <= 36; ++i)
            Fixture::hoursRow(Fixture::worker(QStringLiteral("Константинопольский%1 Александр Владимирович").arg(i, 2, 10, QLatin1Char('0'))), 1,
                              QDate(Year, Month, 1), {{5, 8}, {6, 8}, {12, 8}});
        Form19->resize(1560, 960);
        Form19->show();
        Form19->ComboBox1Change();
        Form19->PageControl1->setCurrentIndex(0);
        QTest::qWait(50);
        Form19->grab().save(screenshotFolder() + "/timesheet_resized.png");
        Form19->hide();
    }
    page->close();
}

// Several cells refused: the worker and day are named and none of the cells is written, whether
// the program sees the hours or the server finds hours written meanwhile.
void TestT13::severalCellsRefused()
{
    const Crew c = mayFloor();
    MessageLog log;
    AbsenceMarksPage* page = marksPage();
    const QString before = marksOf(c.absent, "2025-05-01") + "/" + marksOf(c.nobody, "2025-05-01");
    selectDays(page, {{c.absent, 5}, {c.nobody, 27}, {c.nobody, 28}});
    typeText(page->DBGrid5, "Б");
    QCOMPARE(log.texts(), QStringList{"Болеев Пётр Ильич, 05.05.2025: у работника есть часы работы, а код «Б» (Временная "
                                      "нетрудоспособность с назначением пособия) ставится только на день без работы. "
                                      "Ни одна из 3 отметок не записана."});
    QCOMPARE(log.shown().first().caption, "Ошибка");
    // Hours another client wrote after the grid was read.
    log.clear();
    Fixture::hoursRow(c.nobody, 1, QDate(Year, Month, 1), {{28, 4}});
    selectDays(page, {{c.nobody, 27}, {c.nobody, 28}});
    try {
        page->markSelected("ПР");
        QFAIL("the server took the marks");
    } catch (const DatabaseError& e) {
        QCOMPARE(e.message(), "Нетов Нет Нетович, 28.05.2025: у работника есть часы работы, а код «ПР» (Прогулы) ставится только на "
                              "день без работы. Ни одна из 2 отметок не записана.");
    }
    // The month closed by someone else after the page was read.
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (5, 2025)");
    selectDays(page, {{c.nobody, 26}, {c.nobody, 27}});
    try {
        page->markSelected("ПР");
        QFAIL("the server took the marks");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("закрыт") && e.message().endsWith(" Ни одна из 2 отметок не записана."), qPrintable(e.message()));
    }
    QCOMPARE(marksOf(c.absent, "2025-05-01") + "/" + marksOf(c.nobody, "2025-05-01"), before);
    QCOMPARE(noneOfMarksWritten(21), "Ни одна из 21 отметки не записана.");
    QCOMPARE(noneOfMarksWritten(11), "Ни одна из 11 отметок не записана.");
    page->close();
}

// In a closed month the marks page offers nothing to write and says why, as the hours tabs do.
void TestT13::marksOfAClosedMonth()
{
    const Crew c = mayFloor();
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (5, 2025)");
    AbsenceMarksPage* page = marksPage();
    const QString why = "Месяц закрыт: отметки не меняются";
    QVERIFY(!page->Button9->isEnabled() && !page->Button10->isEnabled());
    QCOMPARE(page->Label2->text(), why);
    QCOMPARE(page->Button9->toolTip(), why);
    QVERIFY(!Form19->Button1->isEnabled());
    selectDays(page, {{c.nobody, 27}});
    emit page->DBGrid5->customContextMenuRequested(QPoint(10, 10));
    QVERIFY(!page->CodesMenu->isVisible());
    typeText(page->DBGrid5, "Б");
    QTest::keyClick(page->DBGrid5, Qt::Key_Delete);
    QCOMPARE(marksOf(c.nobody, "2025-05-01"), "");
    QCOMPARE(marksOf(c.unmarked, "2025-05-05"), "05Б 06Б 08ОТ 09ОТ 10ОТ 11ОТ");
    if (!screenshotFolder().isEmpty()) {
        Form19->resize(1300, 520);
        Form19->show();
        QTest::qWait(50);
        Form19->grab().save(screenshotFolder() + "/marks_closed_month.png");
        Form19->showMaximized();
        Form19->PageControl1->setCurrentIndex(0);
        QTest::qWait(50);
        Form19->grab().save(screenshotFolder() + "/timesheet_maximized.png");
        Form19->hide();
    }
    page->close();
}

// "Журнал изменений" lists the marks' changes: who, the day, the code before and after.
void TestT13::marksInTheChangeLog()
{
    const Crew c = mayFloor();
    EXEC_SQL(QStringLiteral("update accounts_dep.absence set code = 'ДО' where w_id = %1 and day = '2025-05-19'").arg(c.absent));
    EXEC_SQL(QStringLiteral("delete from accounts_dep.absence where w_id = %1 and day = '2025-05-30'").arg(c.absent));
    MessageLog log;
    const auto rows = [](TForm25* w) {
        QStringList out;
        for (int row = 0; row < w->Changes->recordCount(); ++row) {
            QStringList cells;
            for (const char* field : {"act", "data", "fio", "changes"})
                cells << w->Changes->value(row, w->Changes->fieldIndex(field)).toString();
            out << cells.join('|');
        }
        return out;
    };
    QVERIFY(expectModal<TForm25>([] { Form25->ShowPeriod(QDate(2025, 5, 19), QDate(2025, 5, 31)); }, [&](TForm25* w) {
        // Every action: the marks of the period's days (the floor has no journal entries).
        const QStringList all = rows(w);
        QCOMPARE(all.size(), 10);
        QCOMPARE(all.at(0), "Снятие отметки|30.05.2025|Болеев Пётр Ильич|Неявка: ДО → —");
        QCOMPARE(all.at(1), "Замена отметки|19.05.2025|Болеев Пётр Ильич|Неявка: ОТ → ДО");
        QCOMPARE(all.at(2), "Отметка|30.05.2025|Болеев Пётр Ильич|Неявка: — → ДО");
        QVERIFY(w->Changes->value(0, w->Changes->fieldIndex("who")).toString().contains("sys"));
        // The marks' own action, and a worker without marks in the period.
        w->ComboBox2->setCurrentIndex(w->ComboBox2->findData(int(LoggedAction::Marked)));
        emit w->ComboBox2->activated(w->ComboBox2->currentIndex());
        QCOMPARE(rows(w), all);
        w->ComboBox2->setCurrentIndex(w->ComboBox2->findData(int(LoggedAction::Added)));
        emit w->ComboBox2->activated(w->ComboBox2->currentIndex());
        QCOMPARE(w->Changes->recordCount(), 0);
        w->ComboBox2->setCurrentIndex(w->ComboBox2->findData(int(LoggedAction::Marked)));
        emit w->ComboBox2->activated(w->ComboBox2->currentIndex());
        w->ComboBox1->setCurrentIndex(w->ComboBox1->findData(c.unmarked));
        emit w->ComboBox1->activated(w->ComboBox1->currentIndex());
        QCOMPARE(w->Changes->recordCount(), 0);
        w->ComboBox1->setCurrentIndex(0);
        emit w->ComboBox1->activated(0);
        // By the day the change was made: today's, all of them.
        w->ComboBox3->setCurrentIndex(w->ComboBox3->findData(int(LogPeriod::ChangeDate)));
        w->DTPicker1->setDate(QDate::currentDate());
        w->DTPicker2->setDate(QDate::currentDate());
        emit w->ComboBox3->activated(w->ComboBox3->currentIndex());
        QCOMPARE(w->Changes->recordCount(), TestDb::scalar("select count(*) from accounts_dep.absence_log").toInt());
        if (!screenshotFolder().isEmpty()) {
            w->DTPicker1->setDate(QDate(2025, 5, 19));
            w->DTPicker2->setDate(QDate(2025, 5, 31));
            w->ComboBox3->setCurrentIndex(0);
            emit w->ComboBox3->activated(0);
            QTest::qWait(50);
            w->grab().save(screenshotFolder() + "/change_log_marks.png");
        }
        // An inverted period is refused and lists nothing new.
        w->DTPicker1->setDate(QDate(2025, 5, 31));
        w->DTPicker2->setDate(QDate(2025, 5, 19));
        emit w->DTPicker1->editingFinished();
        QCOMPARE(log.texts(), QStringList{"Дата «с» (31.05.2025) позже даты «по» (19.05.2025): такого периода нет."});
        QCOMPARE(log.shown().first().caption, "Ошибка");
        w->close();
    }));
    // Opened again: the period it is given, every worker and action, by the entries' dates.
    QVERIFY(expectModal<TForm25>([] { Form25->ShowPeriod(QDate(2025, 5, 1), QDate(2025, 5, 31)); }, [&](TForm25* w) {
        QCOMPARE(w->DTPicker1->date(), QDate(2025, 5, 1));
        QCOMPARE(w->DTPicker2->date(), QDate(2025, 5, 31));
        QCOMPARE(w->ComboBox1->currentIndex(), 0);
        QCOMPARE(w->ComboBox2->currentIndex(), 0);
        QCOMPARE(w->ComboBox3->currentData().toInt(), int(LogPeriod::EntryDate));
        w->close();
    }));
}

void TestT13::markRefused_data()
{
    QTest::addColumn<bool>("psql");   // the writer: the program or another client
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("sick on a day with hours") << false << "insert into accounts_dep.absence values (%1, '2025-05-05', 'Б')"
                                              << "05.05.2025 у работника есть часы работы, а код «Б» (Временная нетрудоспособность "
                                                 "с назначением пособия) ставится только на день без работы. Отметка не записана.";
    QTest::newRow("same, by psql") << true << "insert into accounts_dep.absence values (%1, '2025-05-05', 'Б')"
                                   << "у работника есть часы работы";
    QTest::newRow("changed to leave on a day with hours") << false << "update accounts_dep.absence set code = 'ОТ' where w_id = %1 and day = '2025-05-06'"
                                                          << "код «ОТ»";
    QTest::newRow("an unknown code") << true << "insert into accounts_dep.absence values (%1, '2025-05-28', 'ZZ')" << "Нет такого кода неявки";
    QTest::newRow("set in a closed month") << false << "closed: insert into accounts_dep.absence values (%1, '2025-05-28', 'Б')"
                                           << "Месяц Май 2025 закрыт. Изменения не записаны.";
    QTest::newRow("cleared in a closed month, by psql") << true << "closed: delete from accounts_dep.absence where w_id = %1"
                                                        << "Месяц Май 2025 закрыт";
    QTest::newRow("moved into a closed month") << false << "closed-june: update accounts_dep.absence set day = '2025-06-02' where w_id = %1 and day = '2025-05-12'"
                                               << "Месяц Июнь 2025 закрыт";
}

void TestT13::markRefused()
{
    QFETCH(bool, psql);
    QFETCH(QString, mark);
    QFETCH(QString, refusal);
    const Crew c = mayFloor();
    if (mark.startsWith("closed: ")) {
        TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (5, 2025)");
        mark = mark.mid(8);
    } else if (mark.startsWith("closed-june: ")) {
        TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (6, 2025)");
        mark = mark.mid(13);
    }
    const QString before = TestDb::scalar("select string_agg(w_id || ' ' || day::text || code, ',' order by w_id, day) from accounts_dep.absence").toString();
    const int logged = TestDb::scalar("select count(*) from accounts_dep.absence_log").toInt();
    const QString statement = mark.arg(mark.contains("'К'") ? c.shifts : (mark.contains("ZZ") ? c.nobody : c.absent));
    if (psql) {
        const auto client = TestDb::startScript("\\set ON_ERROR_STOP 1\n" + statement + ";\n");
        QVERIFY(client->waitForFinished(30000));
        QVERIFY(client->exitCode() != 0);
        QVERIFY2(QString::fromUtf8(client->readAll()).contains(refusal), qPrintable(refusal));
    } else {
        try {
            DataModule6->SQL_exec->execute(statement);
            QFAIL("the server took the mark");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.kind(), DatabaseError::Rule);
            QVERIFY2(e.message().contains(refusal), qPrintable(e.message()));
        }
    }
    QCOMPARE(TestDb::scalar("select string_agg(w_id || ' ' || day::text || code, ',' order by w_id, day) from accounts_dep.absence").toString(), before);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.absence_log").toInt(), logged);
}

// A clerk who began marking the month before it was closed finishes first; a mark after it is
// refused.
void TestT13::closingWaitsForMarks()
{
    const Crew c = mayFloor();
    auto clerk = TestDb::startScript(QStringLiteral("begin;\ninsert into accounts_dep.absence values (%1, '2025-05-28', 'ПР');\n"
                                                    "select pg_sleep(1);\ncommit;\n")
                                         .arg(c.nobody));
    QTRY_COMPARE(TestDb::scalar("select count(*) from pg_locks l join pg_class c on c.oid = l.relation "
                                "where c.relname = 'absence' and l.mode = 'RowExclusiveLock' and l.pid <> pg_backend_pid()")
                     .toInt(),
                 1);
    TestDb::execAsOwner(QStringLiteral("select accounts_dep.close_month(%1, %2)").arg(Month).arg(Year));
    // The closing waited for the clerk's commit: the mark is there the moment it returns.
    QCOMPARE(TestDb::scalar(QStringLiteral("select code from accounts_dep.absence where w_id = %1").arg(c.nobody)).toString(), "ПР");
    QVERIFY(clerk->waitForFinished(30000));
    QCOMPARE(clerk->exitCode(), 0);
    try {
        DataModule6->SQL_exec->execute(QStringLiteral("delete from accounts_dep.absence where w_id = %1").arg(c.nobody));
        QFAIL("a mark of the closed month was cleared");
    } catch (const DatabaseError& e) {
        QCOMPARE(e.message(), "Месяц Май 2025 закрыт. Изменения не записаны.");
    }
    // The menu item of the requisites is the administrator's.
    QVERIFY(journalControlsHidden(Role::Master).contains("N17"));
    QVERIFY(!journalControlsHidden(Role::Administrator).contains("N17"));
}

void TestT13::requisitesWindowKeepsOneRow()
{
    setRequisites();
    MessageLog log;
    const bool shown = expectModal<TForm27>([] { Form27->ShowRequisites(); }, [&](TForm27* w) {
        QCOMPARE(w->Edit1->text(), "ООО «Кемра»");
        QCOMPARE(w->Edit7->text(), "Главов Г. Г.");
        QCOMPARE(w->Edit10->text(), "2000");
        QCOMPARE(w->Edit11->text(), "20");
        QVERIFY(w->CBox1->isChecked());
        w->Edit3->setText("  Цех окраски ");
        w->Edit10->setText("2010");
        w->Edit11->setText("26");
        w->CBox1->setChecked(false);
        // ОКПО: 8 digits, or 10 for a sole trader; a letter does not go in at all.
        for (const char* okpo : {"1234567", "123456789", "12345"}) {
            w->Edit2->setText(okpo);
            w->Button1->click();
            QVERIFY(w->isVisible());
        }
        QCOMPARE(log.texts().size(), 3);
        QCOMPARE(log.shown().first().caption, "Ошибка");
        QTest::keyClicks(w->Edit2, "1234a");
        QVERIFY(!w->Edit2->text().contains('a'));
        QVERIFY(okpoAccepted("1234567890") && okpoAccepted("") && !okpoAccepted("12345678a"));
        w->Edit2->setText("87654321");
        if (!screenshotFolder().isEmpty())
            w->grab().save(screenshotFolder() + "/t13_requisites.png");
        w->Button1->click();
    });
    QVERIFY(shown);
    // Another session reads what was stored: one row, trimmed.
    QSqlDatabase other = QSqlDatabase::addDatabase("QPSQL", "t13_other");
    other.setDatabaseName(TestDb::databaseName());
    other.setHostName(TestDb::serverAddress());
    other.setUserName("sys");
    other.setPassword("mudvakp");
    QVERIFY2(other.open(), qPrintable(other.lastError().text()));
    {
        QSqlQuery q(other);
        QVERIFY(q.exec("select count(*), max(unit), max(okpo), bool_and(night_shift3), max(pay_code), max(pay_account) "
                       "from accounts_dep.organisation"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(q.value(1).toString(), "Цех окраски");
        QCOMPARE(q.value(2).toString(), "87654321");
        QCOMPARE(q.value(3).toBool(), false);
        QCOMPARE(q.value(4).toString(), "2010");
        QCOMPARE(q.value(5).toString(), "26");
        // The server keeps it one row whoever writes.
        QVERIFY(!q.exec("insert into accounts_dep.organisation (name) values ('second')"));
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("t13_other");
}

// A closed month's form prints the requisites and the night-work setting its closing found; the
// editor shows today's.
void TestT13::closedMonthKeepsItsRequisites()
{
    setRequisites();
    const Crew c = mayFloor();
    TestDb::execAsOwner(QStringLiteral("select accounts_dep.close_month(%1, %2)").arg(Month).arg(Year));
    EXEC_SQL("update accounts_dep.organisation set head_name = 'Новиков Н. Н.', night_shift3 = false");
    const T13Sheet closed = readMay();
    QCOMPARE(closed.organisation.headName, QString("Главов Г. Г."));
    QVERIFY(closed.organisation.nightShift3);
    const T13Worker* shifts = workerOf(closed, c.shifts);
    QVERIFY(shifts);
    QCOMPARE(shifts->line.days.at(7 - 1).code, QString("Н"));
    QCOMPARE(readRequisites().headName, QString("Новиков Н. Н."));
}

void TestT13::pdfReadsBack()
{
    mayFloor();
    setRequisites();
    // Enough workers for several pages.
    for (int i = 1; i <= 24; ++i) {
        const int w = Fixture::worker(QStringLiteral("Рабочий%1 Иван Иванович").arg(i, 2, 10, QLatin1Char('0')), "Сборщик");
        Fixture::hoursRow(w, 1, QDate(Year, Month, 1), {{5, 8}, {6, 8}, {30, 8}});
    }
    const int setter = Fixture::worker(QStringLiteral("Наладкин Олег Олегович"), "Наладчик технологического оборудования");
    Fixture::hoursRow(setter, 1, QDate(Year, Month, 1), {{5, 8}});
    const ReportDocument document = previewed(Month, Year, "17");
    QVERIFY(document.pages.size() >= 3);
    QVERIFY(document.landscape);
    QCOMPARE(t13PdfPath(Month, Year), QDir(m_home.path()).filePath("Documents/Tabel/Табель Т-13 Май 2025.pdf"));

    const QString pdf = m_home.filePath("Табель Т-13 Май 2025.pdf");
    const QStringList faults = printFitFaults(document, pdf);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    const QList<PdfWord> words = pdfWords(pdf);
    QHash<int, QStringList> pages;
    for (const PdfWord& w : words)
        pages[w.page] << w.text;
    const int last = int(document.pages.size()) - 1;
    // The form's heading on the first page, the column titles on every page, signatures at the end.
    QVERIFY(pages[0].contains("ТАБЕЛЬ"));
    QVERIFY(pages[0].contains("0301008"));
    QVERIFY(pages[0].contains("12345678"));
    QVERIFY(pages[0].contains("17"));
    QVERIFY(pages[0].contains("01.05.2025") && pages[0].contains("31.05.2025"));
    for (int p = 0; p <= last; ++p) {
        QVERIFY2(pages[p].contains("Неявки") && pages[p].contains("Табельный"), qPrintable(QString::number(p)));
        QVERIFY2(pages[p].contains("оплаты") && pages[p].contains("корреспон-") && pages[p].contains("начисления"), qPrintable(QString::number(p)));
        QVERIFY(!(p > 0 && pages[p].contains("ТАБЕЛЬ")));
    }
    QVERIFY(pages[last].contains("Кадрова"));
    QVERIFY(pages[last].contains("(расшифровка"));
    QVERIFY(!pages[0].contains("Кадрова"));
    QVERIFY(pages[0].contains("Утверждена"));
    // The column numbers 1 to 13 under the titles, left to right on one line.
    QList<PdfWord> numbers;
    double numbersTop = -1;
    for (const PdfWord& w : words)
        if (w.page == 1 && w.text == "13" && w.rect.left() > 250)
            numbersTop = w.rect.top();
    for (const PdfWord& w : words)
        if (w.page == 1 && qAbs(w.rect.top() - numbersTop) < 0.5)
            numbers << w;
    std::sort(numbers.begin(), numbers.end(), [](const PdfWord& a, const PdfWord& b) { return a.rect.left() < b.rect.left(); });
    QStringList numberTexts;
    for (const PdfWord& w : numbers)
        numberTexts << w.text;
    QCOMPARE(numberTexts.join(' '), "1 2 3 4 5 6 7 8 9 10 11 12 13");
    // A long position goes on two lines, none cut.
    QStringList all;
    for (const PdfWord& w : words)
        all << w.text;
    QVERIFY(all.contains("технологического") && all.contains("оборудования"));
    QVERIFY(!all.join(' ').contains(QStringLiteral("…")));
    QCOMPARE(t13PositionLines("Наладчик технологического оборудования").size(), 2);
    QCOMPARE(t13PositionLines(" Маляр ").join('|'), "Маляр");
    // The document names itself.
    QProcess info;
    info.start("pdfinfo", {pdf});
    QVERIFY(info.waitForFinished(30000));
    QVERIFY(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression("Title:\\s+Табель Т-13 Май 2025\\n")));

    // The first worker's block: by name, line by line, the codes over their hours.
    const T13Sheet sheet = readMay();
    const T13Worker& first = sheet.workers.first();
    QCOMPARE(first.name, "Болеев П. И.");
    double top = -1;
    for (const PdfWord& w : words)
        if (w.page == 0 && w.text == "Болеев")
            top = w.rect.top();
    QVERIFY(top > 0);
    // The words of the block's four lines (the name stands in its upper half), grouped by their
    // tops and read left to right.
    QList<PdfWord> block;
    for (const PdfWord& w : words)
        if (w.page == 0 && w.rect.top() > top - 4 && w.rect.top() < top + 13 && w.rect.left() > 63 && w.rect.left() < 183)
            block << w;
    std::sort(block.begin(), block.end(), [](const PdfWord& a, const PdfWord& b) {
        return qAbs(a.rect.top() - b.rect.top()) > 1 ? a.rect.top() < b.rect.top() : a.rect.left() < b.rect.left();
    });
    QStringList lines;
    double lineTop = -100;
    for (const PdfWord& w : block) {
        if (qAbs(w.rect.top() - lineTop) > 1) {
            lines << QString();
            lineTop = w.rect.top();
        }
        lines.last() += (lines.last().isEmpty() ? "" : " ") + w.text;
    }
    QCOMPARE(lines.size(), 4);
    for (int line = 0; line < 4; ++line) {
        QStringList expected;
        for (int cell = 1; cell <= T13Column::DaysPerLine; ++cell)
            if (const QString text = t13DayText(first, line, cell); !text.isEmpty())
                expected << text;
        QCOMPARE(lines.at(line), expected.join(' '));
    }
    // Columns 7-9 of the block: the organisation's kind of pay and account, the days (hours) worked.
    QList<PdfWord> payWords;
    for (const PdfWord& w : words)
        if (w.page == 0 && w.rect.top() > top - 4 && w.rect.top() < top + 13 && w.rect.left() > 213 && w.rect.left() < 249)
            payWords << w;
    std::sort(payWords.begin(), payWords.end(), [](const PdfWord& a, const PdfWord& b) { return a.rect.left() < b.rect.left(); });
    QStringList pay;
    for (const PdfWord& w : payWords)
        pay << w.text;
    QCOMPARE(pay.join(' '), QStringLiteral("2000 20 ") + daysAndHours(first.line.monthDays, first.line.monthHours));

    if (!screenshotFolder().isEmpty())
        QFile::copy(pdf, screenshotFolder() + "/t13.pdf");
}

void TestT13::spreadsheetReadsBack()
{
    const Crew c = mayFloor();
    setRequisites();
    QString written;
    Desktop::setOpener([&](const QString& path) {
        written = path;
        return true;
    });
    whenModal<TForm28>([](TForm28* w) {
        w->CBox1->setChecked(true);
        w->Button1->click();
    });
    chooseMonth(Month, Year);
    Form19->Button8Click();
    Desktop::setOpener({});
    QVERIFY(!written.isEmpty());
    QVERIFY(QFileInfo(written).fileName().startsWith("Табель Т-13 Май 2025"));
    const XlsxSheet book = XlsxSheet::read(written);
    QCOMPARE(book.text(23, 3), "0301008");
    QCOMPARE(book.text(1, 3), "ООО «Кемра»");
    QCOMPARE(book.text(13, 9), "5");   // the month's number
    QVERIFY(book.merges.contains("A3:R3"));
    QVERIFY(book.landscape);
    QVERIFY(book.fitToPage);
    QCOMPARE(book.fitToWidth, 1);
    QCOMPARE(book.fitToHeight, 0);
    QCOMPARE(book.text(8, 2), "Утверждена постановлением Госкомстата России от 05.01.2004 № 1");
    QCOMPARE(book.title, "Табель Т-13 Май 2025");
    // The form's column numbers under the titles: the days 4, the month 6, pay data 7-9, absences 10-13.
    QCOMPARE(book.text(T13Cells::FirstDay, T13Cells::ColumnNumbersRow), "4");
    QCOMPARE(book.text(T13Cells::MonthDays, T13Cells::ColumnNumbersRow), "6");
    QCOMPARE(book.text(T13Cells::PayCode, T13Cells::ColumnNumbersRow), "7");
    QCOMPARE(book.text(T13Cells::PayDays, T13Cells::ColumnNumbersRow), "9");
    QCOMPARE(book.text(T13Cells::FirstAbsence, T13Cells::ColumnNumbersRow), "10");
    QCOMPARE(book.text(T13Cells::LastColumn, T13Cells::ColumnNumbersRow), "13");
    QCOMPARE(book.text(T13Cells::PayCode, T13Cells::FirstTitleRow), "Данные для начисления заработной платы по видам и направлениям затрат");
    QCOMPARE(book.rowHeights.value(T13Cells::FirstTitleRow), 36.0);   // room for it on three lines

    // Every worker's block against the program's figures, НН marked.
    const T13Sheet sheet = readMay(true);
    QCOMPARE(sheet.workers.size(), 3);
    for (int i = 0; i < sheet.workers.size(); ++i) {
        const T13Worker& w = sheet.workers.at(i);
        const int row = T13Cells::FirstWorkerRow + 4 * i;
        QCOMPARE(book.text(T13Cells::Number, row), QString::number(i + 1));
        QVERIFY(book.text(T13Cells::Name, row).startsWith(w.name));
        QCOMPARE(book.text(T13Cells::WorkerNumber, row), QString::number(w.number));
        QVERIFY(book.merges.contains(XlsxSheet::ref(T13Cells::Name, row) + ":" + XlsxSheet::ref(T13Cells::Name, row + 3)));
        for (int line = 0; line < 4; ++line) {
            for (int cell = 1; cell <= T13Column::DaysPerLine; ++cell)
                QCOMPARE(book.text(T13Cells::FirstDay + cell - 1, row + line), t13DayText(w, line, cell));
            QVERIFY(book.cell(T13Cells::FirstDay, row + line).border);
        }
        QCOMPARE(book.text(T13Cells::Half, row + 1), QString::number(w.line.halfHours[0]));
        QCOMPARE(book.text(T13Cells::MonthHours, row), QString::number(w.line.monthHours));
        QVERIFY(book.cell(T13Cells::MonthHours, row).number);
        QCOMPARE(book.text(T13Cells::PayCode, row), "2000");
        QCOMPARE(book.text(T13Cells::PayAccount, row), "20");
        QCOMPARE(book.text(T13Cells::PayDays, row), w.line.monthDays ? daysAndHours(w.line.monthDays, w.line.monthHours) : QString());
        for (int k = 0; k < w.line.absences.size() && k < 4; ++k)
            QCOMPARE(book.text(T13Cells::FirstAbsence, row + k), w.line.absences.at(k).code);
    }
    const int unmarkedRow = T13Cells::FirstWorkerRow + 4 * int(std::find_if(sheet.workers.begin(), sheet.workers.end(), [&](const T13Worker& w) {
                                                                     return w.number == c.unmarked;
                                                                 }) - sheet.workers.begin());
    QCOMPARE(book.text(T13Cells::FirstDay + 6, unmarkedRow), "НН");   // 7 May, a working day without anything
    QCOMPARE(book.text(T13Cells::FirstDay + 5, unmarkedRow), "Б");
}

// Printed from the spreadsheet program, the form keeps its column titles on every page and its
// workers whole.
void TestT13::spreadsheetPrintsAsTheForm()
{
    for (int i = 1; i <= 20; ++i)
        Fixture::hoursRow(Fixture::worker(QStringLiteral("Рабочий%1 Иван").arg(i, 2, 10, QLatin1Char('0'))), 1, QDate(Year, Month, 1), {{5, 8}});
    QString written;
    Desktop::setOpener([&](const QString& path) {
        written = path;
        return true;
    });
    whenModal<TForm28>([](TForm28* w) { w->Button1->click(); });
    chooseMonth(Month, Year);
    Form19->Button8Click();
    Desktop::setOpener({});
    const XlsxSheet book = XlsxSheet::read(written);
    QVERIFY2(book.definedNames.value("_xlnm.Print_Titles").endsWith(QStringLiteral("!$%1:$%2").arg(T13Cells::FirstTitleRow).arg(T13Cells::ColumnNumbersRow)),
             qPrintable(book.definedNames.value("_xlnm.Print_Titles")));
    // 6 workers under the heading, 9 on the next page, 5 and the signatures on the last.
    QCOMPARE(book.rowBreaks, (QList<int>{T13Cells::FirstWorkerRow + 4 * 6 - 1, T13Cells::FirstWorkerRow + 4 * 15 - 1}));
    QCOMPARE(t13PageBreaks(20), book.rowBreaks);
    for (int workers : {1, 5, 6, 7, 14, 15, 16, 300}) {
        const QList<int> breaks = t13PageBreaks(workers);
        int previous = T13Cells::FirstWorkerRow - 1;
        for (int row : breaks) {
            QCOMPARE((row - T13Cells::FirstWorkerRow + 1) % 4, 0);   // below a worker's fourth row
            QVERIFY(row - previous <= 4 * 9);
            previous = row;
        }
        QVERIFY(T13Cells::FirstWorkerRow + 4 * workers - 1 - previous <= 4 * 7);   // room for the signatures
    }
}

// A month nobody worked or was marked in gives no form, and says why.
void TestT13::emptyMonthSaysSo()
{
    MessageLog log;
    bool opened = false;
    Desktop::setOpener([&](const QString&) { return opened = true; });
    ReportDocument shown = previewed(Month, Year, QString());
    whenModal<TForm28>([](TForm28* w) { w->Button1->click(); });
    chooseMonth(Month, Year);
    Form19->Button8Click();
    Desktop::setOpener({});
    QVERIFY(shown.pages.isEmpty());
    QVERIFY(!opened);
    const QString text = "За май 2025 г. ни у кого нет ни часов, ни отметок: табель Т-13 не составлен.";
    QCOMPARE(log.texts(), (QStringList{text, text}));
}

QTEST_MAIN(TestT13)
#include "tst_t13.moc"
