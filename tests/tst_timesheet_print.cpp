#include "support/fixtures.h"
#include "support/page_fit.h"
#include "support/pdf_words.h"
#include "support/test_database.h"
#include "timesheet/timesheet_printout.h"
#include "toolkit/database_error.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"

#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <optional>

// The printed monthly time sheet: the month read from the grid summed over shifts, the heading,
// columns at their places on paper and in the PDF, pages for full and empty months.
class TestTimesheetPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestDb::setUp(); }
    void cleanupTestCase() { TestDb::tearDown(); }
    void init() { TestDb::resetData(); }

    void heading_data();
    void heading();
    void monthSumsShiftsPerWorker();
    void emptyMonthStillPrintsAPage();
    void columnPositions_data();
    void columnPositions();
    void pdfKeepsColumnPositions();
    void headerAndPageNumberOnEveryPage();
    void daysOfTheMonth_data();
    void daysOfTheMonth();
    void totalLineSumsAllWorkers();
    void previewShowsAWholePage();
    void databaseErrorShowsNoPreview();
};

namespace {

const double DayLeft[31] = {81.2,  87.8,  93.7,  100.0, 106.1, 112.4, 118.8, 125.4, 131.8, 137.6, 143.1,
                            148.7, 154.3, 159.8, 165.4, 170.9, 176.5, 182.0, 187.6, 193.1, 198.7, 204.3,
                            209.8, 215.4, 220.9, 226.5, 232.0, 237.6, 243.2, 248.7, 254.3};
const double Margin = 10;
const double HeaderTop = 10, HeaderHeight = 6.6, DetailHeight = 6.35;

QStringList monthColumns()
{
    QStringList columns{"fio"};
    for (int day = 1; day <= 31; ++day)
        columns << QStringLiteral("sd%1").arg(day);
    return columns;
}

// A worker whose day d holds d hours: every value on the line is a distinct text.
void appendNumberedWorker(MemoryRows& rows, const QString& fio)
{
    QVector<QVariant> row{fio};
    for (int day = 1; day <= 31; ++day)
        row << qlonglong(day);
    rows.append(row);
}

std::optional<ReportText> findText(const ReportPage& page, const QString& text, double top)
{
    for (const ReportText& t : page.texts())
        if (t.text == text && qAbs(t.rect.top() - top) < 1e-6)
            return t;
    return std::nullopt;
}

// The document the printout would show for the month.
ReportDocument printed(int month, int year)
{
    ReportDocument shown;
    int shows = 0;
    ReportPreview::setPresenter([&](const ReportDocument& document, const QString&) {
        shown = document;
        ++shows;
    });
    showTimesheetPrintout(month, year);
    ReportPreview::setPresenter({});
    if (shows != 1)
        QTest::qFail("the printout was not shown once", __FILE__, __LINE__);
    return shown;
}

// The texts of one detail line, keyed by their left edge on the sheet (mm, rounded to 0.1).
QMap<int, QString> lineAt(const ReportPage& page, double top)
{
    QMap<int, QString> line;
    for (const ReportText& t : page.texts())
        if (qAbs(t.rect.top() - top) < 1e-6)
            line.insert(qRound(t.rect.left() * 10), t.text);
    return line;
}

int dayKey(int day) { return qRound((Margin + DayLeft[day - 1]) * 10); }

// One grid row of a worker's shift in a month with `hours` on `day`; the other days read 0.
void gridRow(int worker, int shift, int month, int year, int day, int hours)
{
    EXEC_SQL(QStringLiteral("insert into accounts_dep.h_tabel (w_id, smena, month, year, d%1) values (%2, %3, %4, %5, %6)")
                 .arg(day)
                 .arg(worker)
                 .arg(shift)
                 .arg(month)
                 .arg(year)
                 .arg(hours));
}

} // namespace

void TestTimesheetPrint::heading_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("heading");
    QTest::newRow("September") << 9 << 2023 << "Сентябрь 2023 г.";
    QTest::newRow("January") << 1 << 2024 << "Январь 2024 г.";
    QTest::newRow("December") << 12 << 2025 << "Декабрь 2025 г.";
}

void TestTimesheetPrint::heading()
{
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(QString, heading);
    QCOMPARE(timesheetPrintHeading(month, year), heading);
    const ReportDocument document = printed(month, year);
    QCOMPARE(document.pages.size(), 1);
    const std::optional<ReportText> shown = findText(document.pages.first(), heading, HeaderTop);
    QVERIFY(shown);
    QCOMPARE(shown->rect.left(), Margin);
    QVERIFY(document.fonts.at(shown->font).bold());
}

void TestTimesheetPrint::monthSumsShiftsPerWorker()
{
    const int petrov = Fixture::worker("Петров П. П.");
    const int ivanov = Fixture::worker("Иванов И. И.");
    gridRow(petrov, 1, 9, 2023, 5, 8);
    gridRow(petrov, 4, 9, 2023, 5, 3);
    gridRow(petrov, 2, 9, 2023, 6, 7);
    gridRow(petrov, 1, 10, 2023, 5, 8);   // another month
    gridRow(petrov, 1, 9, 2022, 5, 8);    // another year
    gridRow(ivanov, 3, 9, 2023, 30, 12);

    const ReportDocument document = printed(9, 2023);
    QCOMPARE(document.pages.size(), 1);
    const ReportPage& page = document.pages.first();
    const double first = HeaderTop + HeaderHeight;
    const QMap<int, QString> ivanovLine = lineAt(page, first);
    const QMap<int, QString> petrovLine = lineAt(page, first + DetailHeight);
    QCOMPARE(ivanovLine, (QMap<int, QString>{{100, "Иванов И. И."}, {dayKey(30), "12"}, {2746, "12"}}));
    // Shifts 1 and 4 of day 5 added on one line; days without hours stay empty.
    QCOMPARE(petrovLine, (QMap<int, QString>{{100, "Петров П. П."}, {dayKey(5), "11"}, {dayKey(6), "7"}, {2746, "18"}}));
    // The last line adds up the workers' days.
    QCOMPARE(lineAt(page, first + 2 * DetailHeight),
             (QMap<int, QString>{{100, "Итого"}, {dayKey(5), "11"}, {dayKey(6), "7"}, {dayKey(30), "12"}, {2746, "30"}}));
    QVERIFY(lineAt(page, first + 2 * DetailHeight + HeaderHeight).isEmpty());
}

void TestTimesheetPrint::emptyMonthStillPrintsAPage()
{
    const int worker = Fixture::worker("Петров П. П.");
    gridRow(worker, 1, 3, 2024, 1, 8);

    const ReportDocument document = printed(2, 2024);
    QCOMPARE(document.pages.size(), 1);
    const ReportPage& page = document.pages.first();
    QStringList texts;
    for (const ReportText& t : page.texts())
        texts << t.text;
    QStringList expected{"Февраль 2024 г."};
    for (int day = 1; day <= 31; ++day)
        expected << QString::number(day);
    expected << "Итого" << "Итого" << "0" << "1";
    QCOMPARE(texts, expected);
    // Only the header's and the total line's own: two rules each, the header's 31 boxes' sides
    // and the total line's odd days' sides.
    QCOMPARE(page.lines().size(), 2 + 31 * 2 + 2 + 16 * 2);
}

void TestTimesheetPrint::columnPositions_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("dotted");
    for (int day = 1; day <= 31; ++day)
        QTest::addRow("day %d", day) << QString::number(day) << QString::number(day) << DayLeft[day - 1] << 5.3
                                     << (day % 2 == 1);
    QTest::newRow("total") << "Итого" << QString::number(31 * 32 / 2) << 264.6 << 10.3 << false;
}

void TestTimesheetPrint::columnPositions()
{
    QFETCH(QString, header);
    QFETCH(QString, value);
    QFETCH(double, left);
    QFETCH(double, width);
    QFETCH(bool, dotted);
    MemoryRows rows(monthColumns());
    appendNumberedWorker(rows, "Иванов И. И.");
    const ReportDocument document = layoutReport(timesheetPrintLayout(10, 2023), rows);   // 31 days
    const ReportPage& page = document.pages.first();
    const double x = Margin + left;

    const std::optional<ReportText> title = findText(page, header, HeaderTop);
    QVERIFY(title);
    QCOMPARE(title->rect.left(), x);
    QCOMPARE(title->rect.height(), HeaderHeight);
    QVERIFY(document.fonts.at(title->font).bold());

    const double detailTop = HeaderTop + HeaderHeight;
    const std::optional<ReportText> shown = findText(page, value, detailTop);
    QVERIFY(shown);
    QCOMPARE(shown->rect, QRectF(x, detailTop, width, DetailHeight));
    QCOMPARE(shown->alignment, Qt::AlignHCenter);
    QCOMPARE(document.fonts.at(shown->font).bold(), header == "Итого");
    if (header != "Итого") {
        QCOMPARE(title->rect.width(), width);
        QCOMPARE(title->alignment, Qt::AlignHCenter);
        QCOMPARE(document.fonts.at(shown->font).pointSizeF(), 9.0);
    }

    // Dotted grey sides: every header box, the odd days' fields (which also separate the even days).
    auto hasSide = [&](double lineX, double top, double height) {
        for (const ReportLine& line : page.lines())
            if (line.style == Qt::DotLine && line.line == QLineF(lineX, top, lineX, top + height))
                return true;
        return false;
    };
    if (header != "Итого") {
        QVERIFY(hasSide(x, HeaderTop, HeaderHeight));
        QVERIFY(hasSide(x + width, HeaderTop, HeaderHeight));
    }
    QCOMPARE(hasSide(x, detailTop, DetailHeight), dotted);
    QCOMPARE(hasSide(x + width, detailTop, DetailHeight), dotted);
}

void TestTimesheetPrint::pdfKeepsColumnPositions()
{
    MemoryRows rows(monthColumns());
    appendNumberedWorker(rows, "Иванов И. И.");
    const ReportDocument document = layoutReport(timesheetPrintLayout(10, 2023), rows);   // 31 days
    QTemporaryDir dir;
    const QString pdf = dir.filePath("tabel.pdf");
    QVERIFY(document.writePdf(pdf));

    // Each word's box by its text; day numbers and hours share texts, so words are told apart by
    // their line (header or first detail line) through their height on the sheet.
    QHash<QString, QRectF> header, detail;
    for (const PdfWord& word : pdfWords(pdf)) {
        const double middle = word.rect.center().y();
        if (middle < HeaderTop + HeaderHeight)
            header.insert(word.text, word.rect);
        else if (middle < HeaderTop + HeaderHeight + DetailHeight)
            detail.insert(word.text, word.rect);
    }
    auto near = [](const QHash<QString, QRectF>& words, const QString& text, double x, bool centred) {
        if (!words.contains(text))
            return false;
        const QRectF box = words.value(text);
        return qAbs((centred ? box.center().x() : box.left()) - x) < 0.5;
    };
    for (int day = 1; day <= 31; ++day) {
        const double centre = Margin + DayLeft[day - 1] + 5.3 / 2;
        const QString label = QString::number(day);
        QVERIFY2(near(header, label, centre, true), qPrintable("day " + label));
        QVERIFY2(near(detail, label, centre, true), qPrintable("hours " + label));
    }
    QVERIFY(near(header, "Итого", Margin + 264.6, false));
    QVERIFY(near(detail, "496", Margin + 264.6 + 10.3 / 2, true));
}

void TestTimesheetPrint::headerAndPageNumberOnEveryPage()
{
    MemoryRows rows(monthColumns());
    for (int n = 1; n <= 30; ++n)
        appendNumberedWorker(rows, QStringLiteral("Работник %1").arg(n, 2, 10, QLatin1Char('0')));
    const ReportDocument document = layoutReport(timesheetPrintLayout(9, 2023), rows);

    // 210 - 20 mm of paper less the header (6.6) and the page footer (4.5) hold 28 lines.
    QCOMPARE(document.pages.size(), 2);
    const QList<int> linesPerPage{28, 2};
    for (int p = 0; p < 2; ++p) {
        const ReportPage& page = document.pages.at(p);
        QVERIFY(findText(page, "Сентябрь 2023 г.", HeaderTop));
        const ReportText number = page.texts().last();
        QCOMPARE(number.text, QString::number(p + 1));
        QCOMPARE(number.rect, QRectF(Margin + 252.7, 210 - Margin - 4.5, 278.4 - 252.7, 4.5));
        QCOMPARE(number.alignment, Qt::AlignRight);
        int names = 0;
        for (const ReportText& t : page.texts())
            names += t.text.startsWith("Работник");
        QCOMPARE(names, linesPerPage.at(p));
    }
}

void TestTimesheetPrint::daysOfTheMonth_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<QList<int>>("weekend");
    QTest::newRow("July 2023, 31 days from a Saturday") << 7 << 2023 << QList<int>{1, 2, 8, 9, 15, 16, 22, 23, 29, 30};
    QTest::newRow("September 2023, 30 days") << 9 << 2023 << QList<int>{2, 3, 9, 10, 16, 17, 23, 24, 30};
    QTest::newRow("February 2023") << 2 << 2023 << QList<int>{4, 5, 11, 12, 18, 19, 25, 26};
    QTest::newRow("February 2024, leap") << 2 << 2024 << QList<int>{3, 4, 10, 11, 17, 18, 24, 25};
}

// As in the window: weekend days titled in red, the days the month lacks titled in silver and
// printed without values, even where the grid holds some; the total line adds only real days.
void TestTimesheetPrint::daysOfTheMonth()
{
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(QList<int>, weekend);
    const int length = QDate(year, month, 1).daysInMonth();
    MemoryRows rows(monthColumns());
    appendNumberedWorker(rows, "Иванов И. И.");
    appendNumberedWorker(rows, "Петров П. П.");
    const ReportDocument document = layoutReport(timesheetPrintLayout(month, year), rows);
    const ReportPage& page = document.pages.first();
    const double first = HeaderTop + HeaderHeight;
    const QMap<int, QString> ivanov = lineAt(page, first);
    const QMap<int, QString> total = lineAt(page, first + 2 * DetailHeight);
    QCOMPARE(total.value(100), QStringLiteral("Итого"));
    for (int day = 1; day <= 31; ++day) {
        const QString at = QString("day %1").arg(day);
        QCOMPARE(ivanov.value(dayKey(day)), day <= length ? QString::number(day) : QString());
        QCOMPARE(total.value(dayKey(day)), day <= length ? QString::number(2 * day) : QString());
        const std::optional<ReportText> title = findText(page, QString::number(day), HeaderTop);
        QVERIFY2(title, qPrintable(at));
        const QColor expected = day > length ? QColor(192, 192, 192) : weekend.contains(day) ? QColor(255, 0, 0) : QColor(Qt::black);
        QVERIFY2(title->colour == expected, qPrintable(at + " " + title->colour.name()));
    }
    // The month total of a line is the grid's, as the window's "Итого" column.
    QCOMPARE(ivanov.value(2746), QString::number(31 * 32 / 2));
    QCOMPARE(total.value(2746), QString::number(31 * 32));
}

// The last line, on the last page only, holds each day summed over every worker as the server
// sums the grid; long names and three-digit sums keep inside their boxes, on paper and in the PDF.
void TestTimesheetPrint::totalLineSumsAllWorkers()
{
    for (int n = 1; n <= 40; ++n) {
        const int worker = Fixture::worker(QStringLiteral("Константинопольский-Салтыков Вячеслав Вячеславович %1").arg(n));
        QStringList columns, hours;
        for (int day = 1; day <= 31; ++day) {
            columns << QStringLiteral("d%1").arg(day);
            hours << QString::number(8 + (n + day) % 5);
        }
        EXEC_SQL(QStringLiteral("insert into accounts_dep.h_tabel (w_id, smena, month, year, %1) values (%2, %3, 10, 2023, %4)")
                     .arg(columns.join(','))
                     .arg(worker)
                     .arg(1 + n % 4)
                     .arg(hours.join(',')));
    }
    const ReportDocument document = printed(10, 2023);
    QCOMPARE(document.pages.size(), 2);
    QList<double> tops;
    for (const ReportPage& page : document.pages)
        for (const ReportText& t : page.texts())
            if (t.text == QStringLiteral("Итого") && t.rect.left() == Margin)
                tops << t.rect.top();
    QCOMPARE(tops.size(), 1);
    const QMap<int, QString> total = lineAt(document.pages.last(), tops.first());
    for (int day = 1; day <= 31; ++day)
        QCOMPARE(total.value(dayKey(day)),
                 TestDb::scalar(QStringLiteral("select sum(d%1) from accounts_dep.h_tabel where month=10 and year=2023").arg(day)).toString());
    QCOMPARE(total.value(2746),
             TestDb::scalar(QStringLiteral("select sum(%1) from accounts_dep.h_tabel where month=10 and year=2023")
                                .arg([] {
                                    QStringList days;
                                    for (int day = 1; day <= 31; ++day)
                                        days << QStringLiteral("d%1").arg(day);
                                    return days.join('+');
                                }()))
                 .toString());

    QTemporaryDir dir;
    const QStringList faults = printFitFaults(document, dir.filePath("tabel.pdf"));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void TestTimesheetPrint::previewShowsAWholePage()
{
    bool checked = false;
    QTimer::singleShot(0, [&] {
        ReportPreviewWindow* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<ReportPreviewWindow*>(widget); preview && preview->isVisible())
                window = preview;
        QVERIFY(window);
        QVERIFY(window->isMaximized());
        QCOMPARE(window->pages()->zoomMode(), QPrintPreviewWidget::FitInView);
        QCOMPARE(window->pages()->orientation(), QPageLayout::Landscape);
        QCOMPARE(window->pages()->pageCount(), 1);
        checked = true;
        window->close();
    });
    showTimesheetPrintout(9, 2023);
    QVERIFY(checked);
}

void TestTimesheetPrint::databaseErrorShowsNoPreview()
{
    TestDb::execAsOwner("alter table accounts_dep.h_tabel rename to h_tabel_away");
    int shows = 0;
    ReportPreview::setPresenter([&](const ReportDocument&, const QString&) { ++shows; });
    bool failed = false;
    try {
        showTimesheetPrintout(9, 2023);
    } catch (const DatabaseError&) {
        failed = true;
    }
    ReportPreview::setPresenter({});
    TestDb::execAsOwner("alter table accounts_dep.h_tabel_away rename to h_tabel");
    QVERIFY(failed);
    QCOMPARE(shows, 0);
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestTimesheetPrint)
#include "tst_timesheet_print.moc"
