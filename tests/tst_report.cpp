#include "core/data_module.h"
#include "support/page_fit.h"
#include "support/pdf_words.h"
#include "support/test_database.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"
#include "toolkit/report/report_text_fit.h"

#include <QFontInfo>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QSpinBox>
#include <QFileDialog>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

// The banded report engine: group breaks, totals, pagination and positions read from the page
// model, the same positions read back from the PDF, number masks, and the preview window.
class TestReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestDb::setUp(); }
    void cleanupTestCase() { TestDb::tearDown(); }

    void bandSequence_data();
    void bandSequence();
    void valueTexts_data();
    void valueTexts();
    void columnHeaderAndPageNumberOnEveryPage();
    void linkedHeaderMovesToNewPage_data();
    void linkedHeaderMovesToNewPage();
    void groupNameStaysWithItsLines();
    void childBandFollowsItsParent();
    void itemPositions_data();
    void itemPositions();
    void fontsAreLiberationSans();
    void pdfKeepsPositionsAndEmbedsFonts();
    void textFitsItsBox_data();
    void textFitsItsBox();
    void neighboursApartInPdf();
    void datasetRowsPassTheFilter();
    void previewOpensOncePerCaption();
    void previewGrowsWhileLaidOut();
    void cancelledReportClosesItsPreview();
    void rowsKeepComingWhileTheProgramGoesOn();
    void lostReadingSessionFailsTheReport();
    void savePdfFromPreview();
    void pdfWriteFailures_data();
    void pdfWriteFailures();
    void sameReportTwiceHoldsTheSame();
};

namespace {

using Rows = QList<QVariantList>;

MemoryRows memoryRows(const QStringList& columns, const Rows& rows)
{
    MemoryRows source(columns);
    for (const QVariantList& row : rows)
        source.append(QVector<QVariant>(row.begin(), row.end()));
    return source;
}

// Each band's texts joined left to right, bands top to bottom, pages one after another.
QStringList lines(const ReportDocument& document)
{
    QStringList result;
    for (const ReportPage& page : document.pages) {
        QMap<qint64, QMap<qint64, QString>> byTop;
        for (const ReportText& text : page.texts())
            byTop[qRound64(text.rect.top() * 100)][qRound64(text.rect.left() * 100)] = text.text;
        for (const auto& line : byTop)
            result << QStringList(line.values()).join(' ');
    }
    return result;
}

// A report, an outer group on `a` and an inner one on `b`; detail prints `v`, every footer its
// total of `v`, the inner footer also the `v` it sees.
ReportLayout nestedLayout()
{
    ReportLayout layout;
    ReportGroup report;
    report.header = ReportBand(5, {ReportItem::label("Отчет", 0)});
    report.footer = ReportBand(5, {ReportItem::label("Итого", 100), ReportItem::sum("v", 120, 20).masked("#0.00")});
    ReportGroup outer("a");
    outer.header = ReportBand(5, {ReportItem::field("a", 0)});
    outer.footer = ReportBand(5, {ReportItem::label("Σa", 100), ReportItem::sum("v", 120, 20)});
    ReportGroup inner("b");
    inner.header = ReportBand(5, {ReportItem::field("b", 5)});
    inner.footer = ReportBand(5, {ReportItem::label("Σb", 100), ReportItem::sum("v", 120, 20),
                                  ReportItem::field("v", 150, 10)});
    layout.groups = {report, outer, inner};
    layout.detail = ReportBand(4.2, {ReportItem::field("v", 120, 20)});
    layout.pageFooter = ReportBand(4.2, {ReportItem::pageNumber(176.2)});
    return layout;
}

} // namespace

void TestReport::bandSequence_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("no rows: headers and footers of the report alone, zero totals, page 1")
        << Rows{} << QStringList{"Отчет", "Итого 0,00", "1"};
    QTest::newRow("a row equal to the previous one stays in its group")
        << Rows{{"x", "p", 1}, {"x", "p", 1}}
        << QStringList{"Отчет", "x", "p", "1", "1", "Σb 2 1", "Σa 2", "Итого 2,00", "1"};
    QTest::newRow("outer change closes the inner group first; totals per group")
        << Rows{{"x", "p", 1}, {"x", "p", 2}, {"x", "q", 3}, {"y", "q", 4}}
        << QStringList{"Отчет", "x", "p", "1", "2", "Σb 3 2", "q", "3", "Σb 3 3", "Σa 6",
                       "y", "q", "4", "Σb 4 4", "Σa 4", "Итого 10,00", "1"};
    QTest::newRow("a key coming back opens a new group")
        << Rows{{"x", "p", 1}, {"y", "p", 2}, {"x", "p", 3}}
        << QStringList{"Отчет", "x", "p", "1", "Σb 1 1", "Σa 1", "y", "p", "2", "Σb 2 2", "Σa 2",
                       "x", "p", "3", "Σb 3 3", "Σa 3", "Итого 6,00", "1"};
    QTest::newRow("empty values count as 0 in totals")
        << Rows{{"x", "p", QVariant()}, {"x", "p", 2.5}}
        << QStringList{"Отчет", "x", "p", "2,5", "Σb 2,5 2,5", "Σa 2,5", "Итого 2,50", "1"};
}

void TestReport::bandSequence()
{
    QFETCH(Rows, rows);
    QFETCH(QStringList, expected);
    const ReportDocument document = layoutReport(nestedLayout(), memoryRows({"a", "b", "v"}, rows));
    QCOMPARE(document.pages.size(), 1);
    QCOMPARE(lines(document), expected);
}

void TestReport::valueTexts_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero, two decimals") << QVariant(0) << "#0.00" << "0,00";
    QTest::newRow("half rounds away from zero") << QVariant(2.5) << "#0" << "3";
    QTest::newRow("three decimals, no thousands separator") << QVariant(1234.5678) << "#0.000" << "1234,568";
    QTest::newRow("empty under a mask") << QVariant() << "#0.00" << "0,00";
    QTest::newRow("numeric text under a mask") << QVariant("12.345") << "#0.00" << "12,35";
    QTest::newRow("no mask: fraction with a comma") << QVariant(12.5) << "" << "12,5";
    QTest::newRow("no mask: whole number") << QVariant(qlonglong(9010)) << "" << "9010";
    QTest::newRow("no mask: text as it is") << QVariant("Заготовки") << "" << "Заготовки";
    QTest::newRow("no mask: empty") << QVariant() << "" << "";
}

void TestReport::valueTexts()
{
    QFETCH(QVariant, value);
    QFETCH(QString, mask);
    QFETCH(QString, text);
    QCOMPARE(reportValueText(value, mask), text);
}

void TestReport::columnHeaderAndPageNumberOnEveryPage()
{
    ReportLayout layout;
    layout.title = ReportBand(7, {ReportItem::label("Заголовок", 0)});
    layout.columnHeader = ReportBand(10, {ReportItem::label("Колонки", 0)});
    layout.detail = ReportBand(10, {ReportItem::field("n", 0, 20)});
    layout.pageFooter = ReportBand(5, {ReportItem::pageNumber(170, 20).rightAligned()});
    Rows rows;
    for (int i = 1; i <= 60; ++i)
        rows << QVariantList{i};
    const ReportDocument document = layoutReport(layout, memoryRows({"n"}, rows));

    // 297 - 10 - 5 = 282 mm is where the page footer starts; details fill the room above it.
    const QList<int> detailsPerPage{25, 26, 9};
    QCOMPARE(document.pages.size(), detailsPerPage.size());
    int n = 0;
    for (int p = 0; p < document.pages.size(); ++p) {
        const QVector<ReportText>& texts = document.pages.at(p).texts();
        const double headerTop = p == 0 ? 17 : 10;
        if (p == 0)
            QCOMPARE(texts.first().text, QString("Заголовок"));
        const auto header = std::find_if(texts.begin(), texts.end(), [](const ReportText& t) { return t.text == "Колонки"; });
        QVERIFY(header != texts.end());
        QCOMPARE(header->rect.top(), headerTop);
        const ReportText& number = texts.last();
        QCOMPARE(number.text, QString::number(p + 1));
        QCOMPARE(number.rect, QRectF(180, 282, 20, 5));
        int details = 0;
        for (const ReportText& text : texts)
            if (text.rect.left() == 10 && text.text != "Колонки" && text.text != "Заголовок") {
                QCOMPARE(text.text, QString::number(++n));
                QCOMPARE(text.rect.top(), headerTop + 10 + 10 * details);
                QVERIFY(text.rect.bottom() <= 282 + 1e-9);
                ++details;
            }
        QCOMPARE(details, detailsPerPage.at(p));
    }
}

void TestReport::linkedHeaderMovesToNewPage_data()
{
    QTest::addColumn<bool>("linked");
    QTest::addColumn<int>("secondHeaderPage");
    QTest::addColumn<double>("secondHeaderTop");
    QTest::addColumn<QStringList>("tail");
    QTest::newRow("linked: header and footer do not fit, new page")
        << true << 1 << 10.0 << QStringList{"48", "вторая", "7", "7"};
    QTest::newRow("not linked: the header and its first line fit, the footer runs on")
        << false << 0 << 270.0 << QStringList{"48", "вторая", "7", "вторая (продолжение)", "7"};
}

void TestReport::linkedHeaderMovesToNewPage()
{
    QFETCH(bool, linked);
    QFETCH(int, secondHeaderPage);
    QFETCH(double, secondHeaderTop);
    QFETCH(QStringList, tail);
    ReportLayout layout;
    ReportGroup group("g");
    group.header = ReportBand(10, {ReportItem::field("g", 0)});
    group.footer = ReportBand(10, {ReportItem::sum("v", 100, 20)});
    group.linkedToFooter = linked;
    layout.groups = {group};
    layout.detail = ReportBand(5, {ReportItem::field("v", 50, 20)});
    // The first group takes 10 + 48 * 5 + 10 = 260 of the 277 mm: 17 mm are left.
    Rows rows;
    for (int i = 0; i < 48; ++i)
        rows << QVariantList{"первая", 1};
    rows << QVariantList{"вторая", 7};
    const ReportDocument document = layoutReport(layout, memoryRows({"g", "v"}, rows));

    int page = -1;
    double top = -1;
    for (int p = 0; p < document.pages.size(); ++p)
        for (const ReportText& text : document.pages.at(p).texts())
            if (text.text == "вторая") {
                page = p;
                top = text.rect.top();
            }
    QCOMPARE(page, secondHeaderPage);
    QCOMPARE(top, secondHeaderTop);
    QCOMPARE(lines(document).mid(49), tail);
}

// A group's name never ends a page, and a group that runs on to a new page opens it with its
// name again, marked as continued; the group after it starts afresh.
void TestReport::groupNameStaysWithItsLines()
{
    ReportLayout layout;
    ReportGroup group("g");
    group.header = ReportBand(10, {ReportItem::field("g", 0, 60)});
    layout.groups = {group};
    layout.detail = ReportBand(5, {ReportItem::field("v", 70, 20)});
    // The first group takes 10 + 51 * 5 = 265 of the 277 mm: its successor's name would fit in
    // the 12 mm left, its first line not. The second group fills page 2 with 53 lines.
    Rows rows;
    for (int i = 0; i < 51; ++i)
        rows << QVariantList{"первая", 1};
    for (int i = 0; i < 60; ++i)
        rows << QVariantList{"вторая", i + 1};
    rows << QVariantList{"третья", 1};
    const ReportDocument document = layoutReport(layout, memoryRows({"g", "v"}, rows));

    QCOMPARE(document.pages.size(), 3);
    auto firstAndLast = [&](int p) {
        QVector<ReportText> texts = document.pages.at(p).texts();
        std::sort(texts.begin(), texts.end(), [](const ReportText& a, const ReportText& b) {
            return a.rect.top() < b.rect.top() || (a.rect.top() == b.rect.top() && a.rect.left() < b.rect.left());
        });
        return QStringList{texts.first().text, texts.last().text};
    };
    QCOMPARE(firstAndLast(0), (QStringList{"первая", "1"}));
    QCOMPARE(firstAndLast(1), (QStringList{"вторая", "53"}));
    QCOMPARE(firstAndLast(2), (QStringList{"вторая (продолжение)", "1"}));
    const QStringList all = lines(document);
    QCOMPARE(all.mid(all.indexOf("вторая (продолжение)")), (QStringList{"вторая (продолжение)", "54", "55", "56", "57", "58",
                                                                            "59", "60", "третья", "1"}));
}

void TestReport::childBandFollowsItsParent()
{
    ReportLayout layout;
    ReportGroup report;
    report.header = ReportBand(4.2, {ReportItem::label("Отчет", 0)});
    report.header.children.push_back(ReportBand(0.5));
    report.header.children.back().filled(Qt::red);
    ReportGroup worker("fio");
    worker.header = ReportBand(6.6, {ReportItem::field("fio", 0.3)});
    layout.groups = {report, worker};
    const ReportDocument document = layoutReport(layout, memoryRows({"fio"}, {{"Иванов"}, {"Петров"}}));

    const ReportPage& page = document.pages.first();
    QCOMPARE(page.fills().size(), 1);
    QCOMPARE(page.fills().first().rect, QRectF(10, 14.2, 190, 0.5));
    QCOMPARE(page.texts().at(1).text, QString("Иванов"));
    QCOMPARE(page.texts().at(1).rect.topLeft(), QPointF(10.3, 14.7));
    QCOMPARE(page.texts().at(2).rect.topLeft(), QPointF(10.3, 21.3));
}

void TestReport::itemPositions_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("sheetX");
    QTest::newRow("portrait") << false << 13.2 << 42.1 << 23.2;
    QTest::newRow("landscape, right edge") << true << 252.7 << 25.7 << 262.7;
}

void TestReport::itemPositions()
{
    QFETCH(bool, landscape);
    QFETCH(double, left);
    QFETCH(double, width);
    QFETCH(double, sheetX);
    ReportLayout layout;
    layout.page.landscape = landscape;
    layout.title = ReportBand(3);
    layout.detail = ReportBand(4.2, {ReportItem::label("Готовая продукция", left, width).filled(Qt::white)});
    layout.detail.background = QColor(244, 244, 244);
    layout.detail.framed(ReportFrame::Bottom, Qt::DotLine, Qt::gray);
    const ReportDocument document = layoutReport(layout, memoryRows({"n"}, {{1}}));

    const ReportPage& page = document.pages.first();
    QCOMPARE(document.pageSize(), landscape ? QSizeF(297, 210) : QSizeF(210, 297));
    QCOMPARE(page.texts().first().rect, QRectF(sheetX, 13, width, 4.2));
    const double bandWidth = (landscape ? 297 : 210) - 20;
    QCOMPARE(page.fills().size(), 2);
    QCOMPARE(page.fills().at(0).rect, QRectF(10, 13, bandWidth, 4.2));
    QCOMPARE(page.fills().at(0).colour, QColor(244, 244, 244));
    QCOMPARE(page.fills().at(1).rect, QRectF(sheetX, 13, width, 4.2));
    QCOMPARE(page.lines().size(), 1);
    QCOMPARE(page.lines().first().line, QLineF(10, 17.2, 10 + bandWidth, 17.2));
    QCOMPARE(page.lines().first().style, Qt::DotLine);
}

void TestReport::fontsAreLiberationSans()
{
    ReportLayout layout;
    layout.detail = ReportBand(5, {ReportItem::label("Итого:", 0).withFont("MS Sans Serif", 11, true),
                                   ReportItem::label("Итого:", 50)});
    const ReportDocument document = layoutReport(layout, memoryRows({"n"}, {{1}}));
    QCOMPARE(document.fonts.size(), 2);
    for (const QFont& font : document.fonts)
        QCOMPARE(QFontInfo(font).family(), QString("Liberation Sans"));
    // Sized to its text: bold 11 pt is wider than regular 10 pt, both a few millimetres wide.
    const QVector<ReportText>& texts = document.pages.first().texts();
    QVERIFY(texts.at(0).rect.width() > texts.at(1).rect.width());
    QVERIFY(texts.at(1).rect.width() > 8 && texts.at(1).rect.width() < 16);
}

void TestReport::pdfKeepsPositionsAndEmbedsFonts()
{
    ReportLayout layout;
    layout.detail = ReportBand(4.2, {ReportItem::field("kind", 13.2, 42.1)});
    layout.pageFooter = ReportBand(4.2, {ReportItem::pageNumber(176.2)});
    Rows rows;
    for (int i = 0; i < 150; ++i)
        rows << QVariantList{i % 2 ? "Заготовки" : "Готовая"};
    const ReportDocument document = layoutReport(layout, memoryRows({"kind"}, rows));
    QCOMPARE(document.pages.size(), 3);

    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf");
    QVERIFY(document.writePdf(pdf));
    int kinds = 0;
    QStringList pageNumbers;
    for (const PdfWord& word : pdfWords(pdf)) {
        const double x = word.rect.left();
        if (word.text == "Заготовки" || word.text == "Готовая") {
            QVERIFY2(qAbs(x - 23.2) < 0.5, qPrintable(QString::number(x)));
            ++kinds;
        } else {
            QVERIFY2(qAbs(x - 186.2) < 0.5, qPrintable(word.text + " at " + QString::number(x)));
            pageNumbers << word.text;
        }
    }
    QCOMPARE(kinds, 150);
    QCOMPARE(pageNumbers, (QStringList{"1", "2", "3"}));

    QProcess fonts;
    fonts.start("pdffonts", {pdf});
    QVERIFY(fonts.waitForFinished());
    const QStringList listed = QString::fromUtf8(fonts.readAllStandardOutput()).split('\n').mid(2, 1);
    QCOMPARE(listed.size(), 1);
    QVERIFY2(listed.first().contains("LiberationSans") && listed.first().contains(" yes "), qPrintable(listed.first()));
}

void TestReport::textFitsItsBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("smallest");   // pt, the least size expected
    QTest::addColumn<double>("largest");    // pt, the greatest
    QTest::addColumn<bool>("cut");          // printed as its start and "…"
    QTest::newRow("fits") << "Итого" << 30.0 << 11.0 << 11.0 << false;
    QTest::newRow("a little wide: shrinks") << "Покраска (КРАСКА)" << 27.8 << 7.0 << 10.9 << false;
    QTest::newRow("far too wide: cut at 6 pt") << "Готовая продукция, окрашенная и упакованная" << 27.0 << 6.0 << 6.0 << true;
    QTest::newRow("number shrinks") << "6371630768,12" << 18.8 << 7.0 << 10.9 << false;
    QTest::newRow("number below 6 pt, never cut") << "1234567890123" << 8.5 << 1.0 << 5.9 << false;
}

// A text wider than its box shrinks just enough, not below 6 pt, then is cut with "…"; a number
// only shrinks. The box stays where the layout puts it.
void TestReport::textFitsItsBox()
{
    QFETCH(QString, text);
    QFETCH(double, width);
    QFETCH(double, smallest);
    QFETCH(double, largest);
    QFETCH(bool, cut);
    ReportLayout layout;
    layout.detail = ReportBand(5.8, {ReportItem::label(text, 124.4, width).centred().withFont("MS Sans Serif", 11, true)});
    const ReportDocument document = layoutReport(layout, memoryRows({"n"}, {{1}}));
    const ReportText& printed = document.pages.first().texts().first();
    QCOMPARE(printed.rect, QRectF(134.4, 10, width, 5.8));
    const QString shown = printed.text;
    if (cut) {
        QVERIFY2(shown.endsWith(QStringLiteral("…")) && text.startsWith(shown.chopped(1)) && shown.size() > 10, qPrintable(shown));
    } else {
        QCOMPARE(shown, text);
    }
    const QFont& font = document.fonts.at(printed.font);
    QVERIFY2(font.pointSizeF() >= smallest && font.pointSizeF() <= largest, qPrintable(QString::number(font.pointSizeF())));
    QVERIFY(font.bold());
    ReportTextFit measure;
    QVERIFY(measure.width(font, shown) <= width - 2 * ReportTextFit::Inset);
    if (font.pointSizeF() < 11) {   // just enough: a step larger would not fit
        QFont larger = font;
        larger.setPointSizeF(font.pointSizeF() + 0.1);
        QVERIFY(measure.width(larger, shown) > width - 2 * ReportTextFit::Inset || cut);
    }
    if (cut) {   // a character more would not fit
        QString longer = text.left(shown.size());
        longer += QStringLiteral("…");
        QVERIFY(measure.width(font, longer) > width - 2 * ReportTextFit::Inset);
    }
    QVERIFY2(pageFitFaults(document).isEmpty(), qPrintable(pageFitFaults(document).join('\n')));
}

// Totals and texts in neighbouring boxes, some far wider than their boxes, read back from the
// PDF as separate words inside their boxes.
void TestReport::neighboursApartInPdf()
{
    ReportLayout layout;
    const auto total = [](const QString& column, double left, double width) {
        return ReportItem::sum(column, left, width).centred().withFont("MS Sans Serif", 11, true).filled(QColor(239, 239, 239));
    };
    layout.detail = ReportBand(4.2, {ReportItem::field("kind", 99.5, 27.0).withFont("MS Sans Serif", 9).filled(Qt::white),
                                     ReportItem::field("brk", 125.4, 6.6).centred().withFont("MS Sans Serif", 9).filled(Qt::white),
                                     ReportItem::field("mass", 133.6, 18.8).centred().withFont("MS Sans Serif", 9).filled(Qt::white)});
    ReportGroup report;
    report.footer = ReportBand(6.6, {ReportItem::label("Итого:", 99.7).withFont("MS Sans Serif", 11, true), total("brk", 124.4, 8.5),
                                     total("mass", 132.8, 18.8), total("mass", 152.1, 16.7)});
    layout.groups = {report};
    Rows rows;
    for (int i = 0; i < 60; ++i)
        rows << QVariantList{i % 2 ? "Готовая продукция" : "Покраска (КРАСКА) с сушкой", 10 + i, 10000.5 + i};
    const ReportDocument document = layoutReport(layout, memoryRows({"kind", "brk", "mass"}, rows));
    QTemporaryDir dir;
    const QString pdf = dir.filePath("fit.pdf");
    const QStringList faults = printFitFaults(document, pdf);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QStringList footer;
    for (const PdfWord& word : pdfWords(pdf))
        if (word.rect.top() > document.pages.last().texts().last().rect.top() - 1)
            footer << word.text;
    QCOMPARE(footer, (QStringList{"Итого:", "2370", "601800", "601800"}));
}

void TestReport::datasetRowsPassTheFilter()
{
    Dataset set(TDataModule6::ConnectionName, "rows");
    set.setSql("select * from (values ('Иванов', 0, 1.5), ('Иванов', 1, 2.0), ('Петров', 0, 4.0)) t(fio, naimen, summa)");
    set.open();
    set.setFilter("naimen=0");
    set.setFiltered(true);

    ReportLayout layout;
    ReportGroup report;
    report.footer = ReportBand(5, {ReportItem::sum("summa", 100, 20).masked("#0.00")});
    layout.groups = {report};
    layout.detail = ReportBand(4, {ReportItem::field("FIO", 0, 50), ReportItem::expression([](const ReportRow& row) {
        return row.value("naimen").toInt() == 0 ? QString("Готовая продукция") : QString("Заготовки");
    }, 60, 40)});
    QCOMPARE(lines(layoutReport(layout, DatasetRows(set))),
             (QStringList{"Иванов Готовая продукция", "Петров Готовая продукция", "5,50"}));
}

void TestReport::previewOpensOncePerCaption()
{
    ReportLayout layout;
    layout.page.zoom = ReportPageSetup::WholePage;
    layout.detail = ReportBand(100, {ReportItem::field("n", 0, 20)});
    const ReportDocument document = layoutReport(layout, memoryRows({"n"}, {{1}, {2}, {3}}));
    QCOMPARE(document.pages.size(), 2);

    bool checked = false;
    QTimer::singleShot(0, [&] {
        ReportPreviewWindow* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<ReportPreviewWindow*>(widget))
                window = preview;
        QVERIFY(window);
        QVERIFY(window->isMaximized());
        QCOMPARE(QApplication::activeModalWidget(), window);   // not blocked by the window that opened it
        QCOMPARE(window->windowTitle(), QString("Отчет"));
        QCOMPARE(window->pages()->pageCount(), 2);
        QCOMPARE(window->pages()->zoomMode(), QPrintPreviewWidget::FitInView);
        auto* pageNumber = window->findChild<QSpinBox*>();
        QVERIFY(pageNumber);
        for (auto [button, page] : {std::pair{">", 2}, {">", 2}, {"<", 1}, {">|", 2}, {"|<", 1}}) {
            for (QAction* action : window->findChildren<QAction*>())
                if (action->text() == button)
                    action->trigger();
            QCOMPARE(window->pages()->currentPage(), page);
            QCOMPARE(pageNumber->value(), page);
        }
        QVERIFY(ReportPreview::isOpen("Отчет"));
        ReportPreview::show(document, "Отчет");   // returns at once, no second window
        int previews = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            previews += qobject_cast<ReportPreviewWindow*>(widget) && widget->isVisible();
        QCOMPARE(previews, 1);
        checked = true;
        window->close();
    });
    ReportPreview::show(document, "Отчет");
    QVERIFY(checked);
    QVERIFY(!ReportPreview::isOpen("Отчет"));

    QList<int> presented;
    ReportPreview::setPresenter([&](const ReportDocument& shown, const QString&) { presented << int(shown.pages.size()); });
    ReportPreview::show(document, "Отчет");
    ReportPreview::setPresenter({});
    QCOMPARE(presented, QList<int>{2});
}

namespace {

// Rows that take their time to arrive, as a year's report does: the preview gets several slices.
class SlowRows : public ReportRowReader {
public:
    explicit SlowRows(int count) : m_count(count) {}
    QStringList columns() const override { return {"g", "n"}; }
    bool next(QVector<QVariant>& row) override
    {
        if (m_next >= m_count)
            return false;
        QThread::usleep(300);
        row = {m_next / 50, m_next};
        ++m_next;
        return true;
    }
    int sizeHint() const override { return m_count; }

private:
    int m_count;
    int m_next = 0;
};

ReportLayout numbersLayout()
{
    ReportLayout layout;
    ReportGroup group("g");
    group.header = ReportBand(5, {ReportItem::field("g", 0, 20)});
    group.footer = ReportBand(5, {ReportItem::sum("n", 100, 20)});
    layout.groups = {group};
    layout.detail = ReportBand(4.2, {ReportItem::field("n", 0, 20).filled(Qt::white), ReportItem::label("строка", 30, 30)});
    layout.pageFooter = ReportBand(4.2, {ReportItem::pageNumber(176.2)});
    return layout;
}

ReportDocument numbersDocument(int count)
{
    MemoryRows source({"g", "n"});
    for (int i = 0; i < count; ++i)
        source.append({i / 50, i});
    return layoutReport(numbersLayout(), source);
}

ReportPreviewWindow* shownPreview()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* preview = qobject_cast<ReportPreviewWindow*>(widget); preview && preview->isVisible())
            return preview;
    return nullptr;
}

// Answers the save dialog with `path` once it shows.
void answerSaveDialog(const QString& path, QString* suggested = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (suggested)
            *suggested = QDir(dialog->directory()).filePath(dialog->selectedFiles().value(0).section('/', -1));
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

// The first page shows while the rest is laid out; the count grows to the whole report, the
// progress line tells how far it got, and printing waits for the end.
void TestReport::previewGrowsWhileLaidOut()
{
    QList<int> counts;
    QStringList progress;
    int finalCount = -1;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ReportPreviewWindow* window = shownPreview();
        if (!window)
            return;
        counts << window->pages()->pageCount();
        if (!window->progressText().isEmpty())
            progress << window->progressText();
        if (!window->isLayingOut()) {
            finalCount = window->pages()->pageCount();
            QCOMPARE(finalCount, int(window->document().pages.size()));
            window->close();
        } else {
            window->pages()->setCurrentPage(window->pages()->pageCount());   // pages turn meanwhile
            QCOMPARE(window->pages()->currentPage(), window->pages()->pageCount());
        }
    });
    watch.start();
    ReportPreview::show(numbersLayout(), std::make_unique<SlowRows>(3000), "Растущий");
    watch.stop();
    QVERIFY(finalCount > 20);
    QVERIFY(!counts.isEmpty());
    QVERIFY2(counts.first() >= 1 && counts.first() < finalCount, qPrintable(QString::number(counts.first())));
    QVERIFY(std::is_sorted(counts.begin(), counts.end()));
    QVERIFY(!progress.isEmpty());
    QVERIFY2(progress.first().contains(QRegularExpression("^Страница \\d+ из ~\\d+$")), qPrintable(progress.first()));
}

// "Отмена" during the layout stops reading, closes the preview and lets the caller go on.
void TestReport::cancelledReportClosesItsPreview()
{
    bool cancelled = false;
    QTimer::singleShot(20, [&] {
        ReportPreviewWindow* window = shownPreview();
        QVERIFY(window && window->isLayingOut());
        window->cancel();
        cancelled = true;
    });
    ReportPreview::show(numbersLayout(), std::make_unique<SlowRows>(100000), "Отменяемый");
    QVERIFY(cancelled);
    QVERIFY(!ReportPreview::isOpen("Отменяемый"));
    QVERIFY(!shownPreview());
}

// A report's rows are read on a session of their own: the program's statements on its
// connection meanwhile (a refresh, a save) and another client's writes leave the report as its
// statement found the table, every row of it.
void TestReport::rowsKeepComingWhileTheProgramGoesOn()
{
    TestDb::execAsOwner("create table numbers as select n from generate_series(1, 60000) n");
    const auto dropTable = qScopeGuard([] { TestDb::execAsOwner("drop table numbers"); });
    Dataset set(TDataModule6::ConnectionName, "numbers");
    set.setSql("select n / 50 as g, n from numbers order by n");

    bool interrupted = false;
    QStringList printed;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ReportPreviewWindow* window = shownPreview();
        if (!window)
            return;
        if (!window->isLayingOut()) {
            printed = lines(window->document());
            window->close();
            return;
        }
        if (interrupted)
            return;
        interrupted = true;
        QCOMPARE(TestDb::scalar("select count(*) from numbers").toInt(), 60000);
        auto writer = TestDb::startScript("insert into numbers select generate_series(60001, 60500);\n");
        QVERIFY(writer->waitForFinished(30000));
        QCOMPARE(writer->exitCode(), 0);
        QCOMPARE(TestDb::scalar("select count(*) from numbers").toInt(), 60500);
    });
    watch.start();
    ReportPreview::show(numbersLayout(), std::make_unique<DatasetReader>(set), "Снимок");
    watch.stop();
    QVERIFY2(interrupted, "the report was laid out before the program went on");
    QCOMPARE(printed.filter(" строка").size(), 60000);
    QVERIFY(printed.contains("60000 строка"));
}

// A session lost halfway through the rows fails the report instead of ending it early as if
// the rows were all there.
void TestReport::lostReadingSessionFailsTheReport()
{
    Dataset set(TDataModule6::ConnectionName, "numbers");
    set.setSql("select n, pg_backend_pid() as pid from generate_series(1, 2000000) n");
    DatasetReader rows(set);
    QVector<QVariant> row;
    QVERIFY(rows.next(row));
    const int pid = row.at(1).toInt();
    QVERIFY(pid != TestDb::scalar("select pg_backend_pid()").toInt());
    QVERIFY(TestDb::scalar(QString("select pg_terminate_backend(%1)").arg(pid)).toBool());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, [&] { while (rows.next(row)) {} }());
}

// "Сохранить в PDF" suggests the caller's name in its folder (made when missing), asks before
// replacing a file, tells where the file went, and a cancel halfway leaves no file at all.
void TestReport::savePdfFromPreview()
{
    QTemporaryDir base;
    const QString folder = base.filePath("Documents/Tabel");
    const QString path = QDir(folder).filePath("Отчет 01.11.2026-01.12.2026.pdf");
    const ReportDocument document = numbersDocument(20000);
    MessageLog log;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        ReportPreviewWindow* window = shownPreview();
        QVERIFY(window);
        // Cancelled as soon as the first pages are written.
        QString suggested;
        answerSaveDialog(path, &suggested);
        QTimer stopper;
        stopper.setInterval(1);
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            if (window->progressText().startsWith("Страница"))
                window->cancel();
        });
        stopper.start();
        window->savePdf();
        stopper.stop();
        QCOMPARE(suggested, path);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(folderEntries(folder), QStringList());
        QCOMPARE(log.texts(), QStringList());

        answerSaveDialog(path);
        window->savePdf();
        QVERIFY(QFile::exists(path));
        QCOMPARE(folderEntries(folder), QStringList{QFileInfo(path).fileName()});
        QCOMPARE(log.texts(), QStringList{"Файл сохранен: " + QDir::toNativeSeparators(path)});
        const qint64 size = QFileInfo(path).size();

        // A file of the name: kept on "Нет", replaced on "Да".
        for (const bool replace : {false, true}) {
            QFile::resize(path, 10);
            log.clear();
            log.answer({replace});
            answerSaveDialog(path);
            window->savePdf();
            QCOMPARE(log.shown().first().text, "Файл " + QDir::toNativeSeparators(path) + " уже есть. Заменить его?");
            QCOMPARE(QFileInfo(path).size(), replace ? size : 10);
        }
        checked = true;
        window->close();
    });
    ReportPreview::show(document, "Отчет", path);
    QVERIFY(checked);
}

void TestReport::pdfWriteFailures_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("full disk") << true;
    QTest::newRow("read-only folder") << false;
}

// A file that cannot be written is said so, with the reason, and leaves no file; the preview
// stays usable.
void TestReport::pdfWriteFailures()
{
    QFETCH(bool, fullDisk);
    QTemporaryDir base;
    QFile::setPermissions(base.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString folder = base.filePath("pdf");
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath("Отчет.pdf");
    const ReportDocument document = numbersDocument(20000);

    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const bool root = geteuid() == 0;
    if (fullDisk) {
        // Files may grow to 16 KB only, as on a disk that is full; the write fails instead of
        // the signal ending the program.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = before;
        small.rlim_cur = 16 * 1024;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    } else {
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                   | QFileDevice::ExeOther));
        if (root)   // root writes anywhere: check file access as an ordinary user instead
            setfsuid(65534);
    }
    const auto restore = qScopeGuard([&] {
        setrlimit(RLIMIT_FSIZE, &before);
        if (root)
            setfsuid(0);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });

    QVERIFY(!document.writePdf(path));
    QVERIFY(!QFile::exists(path));
    MessageLog log;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        ReportPreviewWindow* window = shownPreview();
        QVERIFY(window);
        answerSaveDialog(path);
        window->savePdf();
        QCOMPARE(log.shown().size(), 1);
        const QString text = log.shown().first().text;
        const QString expected = "Не удалось записать файл " + QDir::toNativeSeparators(path) + ": ";
        QVERIFY2(text.startsWith(expected) && text.size() > expected.size(), qPrintable(text));
        QCOMPARE(folderEntries(folder), QStringList());
        checked = true;
        window->close();
    });
    ReportPreview::show(document, "Отчет", path);
    QVERIFY(checked);
}

// The page model keeps each distinct text once and nothing per text beyond its place: the
// same report laid out twice holds the same, small, amount.
void TestReport::sameReportTwiceHoldsTheSame()
{
    const ReportDocument first = numbersDocument(5000);
    const ReportDocument second = numbersDocument(5000);
    QCOMPARE(second.heldBytes(), first.heldBytes());
    qint64 texts = 0;
    for (const ReportPage& page : first.pages)
        texts += page.texts().size();
    QVERIFY(texts > 10000);
    // A text packed with its own copy of its string would take well over 64 bytes.
    QVERIFY2(first.heldBytes() < texts * 64, qPrintable(QString("%1 bytes for %2 texts").arg(first.heldBytes()).arg(texts)));
    // White detail cells on white paper are no fills at all.
    for (const ReportPage& page : first.pages)
        QCOMPARE(page.fills().size(), 0);
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
