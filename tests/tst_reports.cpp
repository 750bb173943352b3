#include "app/application.h"
#include "core/data_module.h"
#include "core/sign_in_window.h"
#include "journal/journal_window.h"
#include "reports/report_layouts.h"
#include "reports/report_spreadsheet.h"
#include "reports/report_statements.h"
#include "reports/reports_window.h"
#include "export/spreadsheet_writer.h"
#include "timesheet/timesheet_printout.h"
#include "support/fixtures.h"
#include "support/page_fit.h"
#include "support/pdf_words.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "toolkit/clock.h"
#include "toolkit/dataset.h"
#include "toolkit/desktop.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"
#include "toolkit/sql_text.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QProcess>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// The period of the fixture: March 2026, "по" being the first of April.
const QDate From(2026, 3, 1);
const QDate To(2026, 4, 1);

struct Floor {
    int alekseev = 0;
    int borisov = 0;
    int boxA = 0;
    int boxB = 0;
    int assemblyA = 0;   // finished products
    int paintA = 0;      // blanks
    int assemblyB = 0;   // finished products
    int paintB = 0;      // kind 5: printed as blanks
};

Fixture::Entry entryOf(int worker, int product, int operation, const QDate& date, int quantity, int defects, double price, int color)
{
    Fixture::Entry e;
    e.worker = worker;
    e.product = product;
    e.operation = operation;
    e.date = date;
    e.quantity = quantity;
    e.defects = defects;
    e.price = price;
    e.color = color;
    return e;
}

// Two workers, two products, four operations; rows on both edges of the period and outside it.
Floor makeFloor()
{
    Floor f;
    f.alekseev = Fixture::worker(QStringLiteral("Алексеев А.А."));
    f.borisov = Fixture::worker(QStringLiteral("Борисов Б.Б."));
    f.boxA = Fixture::product(QStringLiteral("ЯА-1"), 0.25, Fixture::classItem(QStringLiteral("Ящик А")));
    f.boxB = Fixture::product(QStringLiteral("ЯБ-2"), 1.5, Fixture::classItem(QStringLiteral("Ящик Б")));
    const int assembly = Fixture::operationType(QStringLiteral("Сборка"));
    const int paint = Fixture::operationType(QStringLiteral("Покраска"));
    f.assemblyA = Fixture::operation(f.boxA, assembly, 0);
    f.paintA = Fixture::operation(f.boxA, paint, 1);
    f.assemblyB = Fixture::operation(f.boxB, assembly, 0);
    f.paintB = Fixture::operation(f.boxB, paint, 5);
    const QList<Fixture::Entry> entries{
        entryOf(f.alekseev, f.boxA, f.assemblyA, From, 10, 1, 2.5, 0),              // on "с": counted
        entryOf(f.alekseev, f.boxA, f.assemblyA, QDate(2026, 3, 17), 7, 0, 2.5, 0),
        entryOf(f.alekseev, f.boxA, f.paintA, QDate(2026, 3, 5), 20, 2, 1.25, 1),
        entryOf(f.alekseev, f.boxB, f.paintB, QDate(2026, 3, 31), 9, 0, 3.0, 9010),  // last day: counted
        entryOf(f.borisov, f.boxA, f.assemblyA, QDate(2026, 3, 2), 5, 0, 2.5, 0),
        entryOf(f.borisov, f.boxB, f.assemblyB, QDate(2026, 3, 12), 12, 3, 4.0, 0),
        entryOf(f.borisov, f.boxB, f.paintB, QDate(2026, 3, 12), 6, 1, 3.0, 7),
        entryOf(f.borisov, f.boxB, f.assemblyB, To, 100, 0, 4.0, 0),                  // on "по": not counted
        entryOf(f.alekseev, f.boxA, f.assemblyA, From.addDays(-1), 100, 0, 2.5, 0),  // before: not counted
    };
    for (const Fixture::Entry& e : entries)
        Fixture::entry(e);
    return f;
}

// A sum over the journal rows of the period, computed by the server apart from the reports.
double journalSum(const QString& expression, const QDate& from, const QDate& to, const QString& condition = QString())
{
    return TestDb::scalar(QStringLiteral("select coalesce(sum(%1), 0) from accounts_dep.smena s join accounts_dep.oper o on o.id = s.o_id "
                                         "join accounts_dep.izdel i on i.id = s.i_id where s.data >= %2 and s.data < %3 %4")
                              .arg(expression, sqlDate(from), sqlDate(to), condition.isEmpty() ? QString() : QLatin1String(" and ") + condition))
        .toDouble();
}

double columnSum(Dataset& rows, const QString& field)
{
    double sum = 0;
    for (int row = 0; row < rows.recordCount(); ++row)
        sum += rows.value(row, rows.fieldIndex(field)).toDouble();
    return sum;
}

QString kindCondition(int choice)
{
    switch (choice) {
    case FinishedProducts:
        return QStringLiteral("o.naimen = 0");
    case Blanks:
        return QStringLiteral("o.naimen = 1");
    default:
        return QString();
    }
}

struct ReportQuery {
    QString statement;
    QString quantity;   // the server's expression of the report's kolvo
    bool money;
};

QList<QPair<QString, ReportQuery>> reportQueries()
{
    const QString net = QStringLiteral("s.kol_vo - s.brak");
    return {
        {QStringLiteral("workers"), {workersReportStatement(), net, true}},
        {QStringLiteral("products"), {productsReportStatement(), net, false}},
        {QStringLiteral("workers detail"), {workersDetailReportStatement(), QStringLiteral("s.kol_vo"), true}},
        {QStringLiteral("products detail"), {productsDetailReportStatement(), QStringLiteral("s.kol_vo"), true}},
        {QStringLiteral("spreadsheet"), {reportSpreadsheetStatement(), net, false}},
    };
}

// The next widget that Tab reaches, past the inner parts of the widget itself.
QWidget* nextTabStop(QWidget* widget)
{
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && (!(next->focusPolicy() & Qt::TabFocus) || widget->isAncestorOf(next)))
        next = next->nextInFocusChain();
    return next;
}

QMap<QString, bool> enabledControls(QWidget* window)
{
    QMap<QString, bool> states;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            states.insert(w->objectName(), w->isEnabled());
    return states;
}

// The lines of the pages as a reader sees them: the texts of one height, left to right, each
// as "<left edge in mm from the margin>:<text>"; blank texts left out.
struct PrintedLine {
    QString text;
    bool bold = false;   // titles, headings, group names and totals; detail lines and page numbers are regular
};

QList<PrintedLine> printedLines(const ReportDocument& document)
{
    QList<PrintedLine> lines;
    for (const ReportPage& page : document.pages) {
        QMap<int, QList<ReportText>> rows;   // by the top in tenths of a millimetre
        for (const ReportText& text : page.texts())
            if (!text.text.trimmed().isEmpty())
                rows[qRound(text.rect.top() * 10)].append(text);
        for (QList<ReportText>& row : rows) {
            std::sort(row.begin(), row.end(), [](const ReportText& a, const ReportText& b) { return a.rect.left() < b.rect.left(); });
            QStringList parts;
            for (const ReportText& text : row)
                parts << QString::number(text.rect.left() - 10, 'f', 1) + ":" + text.text;
            lines.append({parts.join(" | "), document.fonts.at(row.first().font).bold()});
        }
    }
    return lines;
}

QStringList boldLines(const ReportDocument& document)
{
    QStringList lines;
    for (const PrintedLine& line : printedLines(document))
        if (line.bold)
            lines << line.text;
    return lines;
}

// A column total as the report prints it.
struct Total {
    QString sql;     // the server's sum over the journal rows s, products i, operations o
    double left;
    QString mask;
};

QString totalsLine(const QList<Total>& totals, const QList<double>& values)
{
    QStringList parts;
    for (int i = 0; i < totals.size(); ++i)
        parts << QString::number(totals.at(i).left, 'f', 1) + ":" + reportValueText(values.at(i), totals.at(i).mask);
    return parts.join(" | ");
}

// The group headers and footers of a report with one group on `key`, and its report footer,
// from the server's sums over the journal.
QStringList expectedGroupLines(const QString& key, const QList<Total>& groupTotals, double labelLeft, const QList<Total>& reportTotals,
                               const QString& condition)
{
    QStringList sums;
    for (const Total& t : groupTotals)
        sums << "sum(" + t.sql + ")::float8";
    const QString from = QStringLiteral(" from accounts_dep.smena s join accounts_dep.oper o on o.id = s.o_id join accounts_dep.izdel i on i.id = s.i_id "
                                        "join cmn_contractor.person p on p.s_code = s.w_id::text where s.data >= %1 and s.data < %2 %3")
                             .arg(sqlDate(From), sqlDate(To), condition.isEmpty() ? QString() : " and " + condition);
    QSqlQuery q(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
    if (!q.exec("select " + key + ", " + sums.join(", ") + from + " group by 1 order by 1"))
        qFatal("%s", qPrintable(q.lastError().text()));
    QStringList lines;
    while (q.next()) {
        lines << "0.3:" + q.value(0).toString();
        QList<double> values;
        for (int i = 0; i < groupTotals.size(); ++i)
            values << q.value(i + 1).toDouble();
        lines << totalsLine(groupTotals, values);
    }
    QStringList reportSums;
    for (const Total& t : reportTotals)
        reportSums << "coalesce(sum(" + t.sql + "), 0)::float8";
    if (!q.exec("select " + reportSums.join(", ") + from) || !q.next())
        qFatal("%s", qPrintable(q.lastError().text()));
    QList<double> values;
    for (int i = 0; i < reportTotals.size(); ++i)
        values << q.value(i).toDouble();
    lines << QString::number(labelLeft, 'f', 1) + ":Итого: | " + totalsLine(reportTotals, values);
    return lines;
}

const QString Net = QStringLiteral("s.kol_vo - s.brak");
const QString Money = QStringLiteral("(s.kol_vo - s.brak) * s.cena");
const QString Boxes = QStringLiteral("round(i.massa * (s.kol_vo - s.brak), 2)");

ProductionReport* reportForm(const QString& className)
{
    for (ProductionReport* report : std::initializer_list<ProductionReport*>{Form16, Form17, Form20, Form21})
        if (className == QLatin1String(report->metaObject()->className()))
            return report;
    qFatal("no report form %s", qPrintable(className));
}

// Lays a report out over the fixture's period and product kind.
ReportDocument reportPages(ProductionReport* report, int kind = AllProducts, const QDate& from = From, const QDate& to = To)
{
    prepareReportQuery(*report->query(), from, to, kind);
    report->query()->open();
    const ReportDocument pages = report->pages(reportTitle(report->titlePrefix(), from, to));
    report->query()->close();
    return pages;
}

} // namespace

Q_DECLARE_METATYPE(Total)

// The reports dialog, the report statements over a small journal, the report spreadsheet and
// the roles' hold on the dialog.
class TestReports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dialogControls();
    void exitAndEscClose();
    void presetPeriod_data();
    void presetPeriod();
    void productKindKeptBetweenOpenings();

    void periodEdges_data();
    void periodEdges();
    void productKindFilter();
    void lineTexts();

    void spreadsheet();
    void spreadsheetOfFinishedProducts();
    void emptySpreadsheet();
    void spreadsheetWithoutWorkbook();
    void spreadsheetCancelled_data();
    void spreadsheetCancelled();
    void spreadsheetNumbersAsTheDatabaseHasThem();

    void roles_data();
    void roles();

    void workersReportGroups();
    void oneGroupReports_data();
    void oneGroupReports();
    void detailLines();
    void emptyReports();
    void positions_data();
    void positions();
    void workersReportAsPdf();
    void titleNamesTheKind_data();
    void titleNamesTheKind();
    void textsFitTheirBoxes();
    void exactTotalsOnPaper();
    void halfKopecksAsNumericSumsThem_data();
    void halfKopecksAsNumericSumsThem();
    void previewFromDialog();
    void pdfNamesSayWhatAndWhen();
    void databaseErrorShowsNoPreview();

private:
    // Presses the spreadsheet button and reads back the workbook handed to the desktop.
    XlsxSheet exportSpreadsheet();

    QTemporaryDir m_home;
    QStringList m_opened;
    bool m_progressAtOpen = false;
};

void TestReports::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
    setProgramFonts();
    TestDb::setUp();
}

void TestReports::cleanupTestCase()
{
    TestDb::tearDown();
}

void TestReports::init()
{
    TestDb::resetData();
    Form1 = new TForm1;
    Form16 = new TForm16;
    Form17 = new TForm17;
    Form20 = new TForm20;
    Form21 = new TForm21;
    Form18 = new TForm18;
    Form23 = new TForm23;
    m_opened.clear();
    Desktop::setOpener([this](const QString& path) {
        m_opened << path;
        // the workbook goes to the desktop (or its question comes) with the progress gone
        const auto* progress = Form18 ? Form18->findChild<QProgressDialog*>("SpreadsheetProgress") : nullptr;
        m_progressAtOpen = progress && progress->isVisible();
        return true;
    });
}

void TestReports::cleanup()
{
    Desktop::setOpener({});
    delete Form23;
    Form23 = nullptr;
    delete Form18;
    Form18 = nullptr;
    delete Form16;
    delete Form17;
    delete Form20;
    delete Form21;
    ReportPreview::setPresenter({});
    delete Form1;
    Form1 = nullptr;
    Clock::setToday({});
}

XlsxSheet TestReports::exportSpreadsheet()
{
    m_opened.clear();
    m_progressAtOpen = false;
    QTest::mouseClick(Form18->Button6, Qt::LeftButton);
    if (m_progressAtOpen) {
        QTest::qFail("the progress stayed over the finished workbook", __FILE__, __LINE__);
        return {};
    }
    if (m_opened.size() != 1) {
        QTest::qFail("no workbook was handed to the desktop", __FILE__, __LINE__);
        return {};
    }
    return XlsxSheet::read(m_opened.first());
}

void TestReports::dialogControls()
{
    QCOMPARE(Form18->windowTitle(), QStringLiteral("Отчеты"));
    QCOMPARE(Form18->width(), 180);
    Form18->QDialog::layout()->activate();
    QVERIFY(Form18->QDialog::layout()->totalSizeHint().width() <= 180);   // every caption whole at the program's font
    QCOMPARE(Form18->minimumSize(), Form18->maximumSize());
    QCOMPARE(Form18->RadioGroup1->title(), QStringLiteral("Вид продукции"));
    QCOMPARE(Form18->RadioGroup1->items(), (QStringList{"Все", "Готовая продукция", "Заготовки"}));
    QCOMPARE(Form18->RadioGroup1->itemIndex(), int(AllProducts));
    QVERIFY(Form18->RadioGroup1->font().bold());
    QVERIFY(!Form18->RadioGroup1->button(0)->font().bold());
    QCOMPARE(Form18->GroupBox1->title(), QStringLiteral("Период отбора"));
    QVERIFY(Form18->GroupBox1->font().bold());
    QCOMPARE(Form18->Label1->text(), QStringLiteral("с"));
    QCOMPARE(Form18->Label2->text(), QStringLiteral("по"));
    QCOMPARE(Form18->DTPicker1->displayFormat(), QStringLiteral("dd.MM.yyyy"));
    QVERIFY(Form18->DTPicker1->calendarPopup());

    // From top to bottom, and so in tab order, except that "Выход" comes before the spreadsheet.
    const QList<QPair<QWidget*, QString>> buttons{
        {Form18->Button4, "Отчет по рабочим"},         {Form18->Button2, "Отчет по продукции"},
        {Form18->Button1, "Детальный отчет по рабочим"}, {Form18->Button3, "Детальный отчет по продукции"},
        {Form18->Button6, "Excel (0 из 0)"},           {Form18->Button5, "Выход"},
    };
    int top = Form18->GroupBox1->geometry().bottom();
    for (const auto& [button, caption] : buttons) {
        QCOMPARE(static_cast<QPushButton*>(button)->text(), caption);
        QVERIFY2(button->geometry().top() > top, qPrintable(caption));
        top = button->geometry().top();
    }
    const QList<QWidget*> chain{Form18->RadioGroup1->button(0), Form18->RadioGroup1->button(1), Form18->RadioGroup1->button(2),
                                Form18->DTPicker1, Form18->DTPicker2, Form18->Button4, Form18->Button2, Form18->Button1,
                                Form18->Button3, Form18->Button5, Form18->Button6};
    for (int i = 0; i + 1 < chain.size(); ++i)
        QCOMPARE(nextTabStop(chain.at(i))->objectName(), chain.at(i + 1)->objectName());
}

void TestReports::exitAndEscClose()
{
    for (const bool esc : {false, true}) {
        bool closed = false;
        const bool shown = expectModal<TForm18>([] { Form1->N10->trigger(); },
                                                [&](TForm18* w) {
                                                    if (esc)
                                                        QTest::keyClick(w, Qt::Key_Escape);
                                                    else
                                                        QTest::mouseClick(w->Button5, Qt::LeftButton);
                                                    closed = !w->isVisible();
                                                });
        QVERIFY(shown);
        QVERIFY(closed);
    }
}

void TestReports::presetPeriod_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("march") << QDate(2026, 3, 15) << QDate(2026, 2, 1) << QDate(2026, 3, 1);
    QTest::newRow("january") << QDate(2027, 1, 10) << QDate(2026, 12, 1) << QDate(2027, 1, 1);
}

void TestReports::presetPeriod()
{
    QFETCH(QDate, today);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    Clock::setToday(today);
    Form18->DTPicker1->setDate(QDate(2020, 5, 5));
    QDate shownFrom;
    QDate shownTo;
    QWidget* focused = nullptr;
    QVERIFY(Form1->N10->isEnabled());
    QVERIFY(expectModal<TForm18>([] { Form1->N10->trigger(); },
                                 [&](TForm18* w) {
                                     shownFrom = w->DTPicker1->date();
                                     shownTo = w->DTPicker2->date();
                                     focused = w->focusWidget();   // the window's focus, whether or not it is active yet
                                     w->close();
                                 }));
    QCOMPARE(shownFrom, from);
    QCOMPARE(shownTo, to);
    QCOMPARE(focused, Form18->RadioGroup1->button(AllProducts));
}

void TestReports::productKindKeptBetweenOpenings()
{
    QVERIFY(expectModal<TForm18>([] { Form1->N10->trigger(); },
                                 [](TForm18* w) {
                                     QTest::mouseClick(w->RadioGroup1->button(Blanks), Qt::LeftButton, {}, QPoint(8, 8));
                                     w->close();
                                 }));
    int kind = -1;
    QVERIFY(expectModal<TForm18>([] { Form1->N10->trigger(); },
                                 [&](TForm18* w) {
                                     kind = w->RadioGroup1->itemIndex();
                                     w->close();
                                 }));
    QCOMPARE(kind, int(Blanks));
}

void TestReports::periodEdges_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<bool>("money");
    for (const auto& [name, query] : reportQueries())
        QTest::newRow(qPrintable(name)) << query.statement << query.quantity << query.money;
}

// Each statement runs as written, counts the rows of the "с" date and not those of the "по" date,
// and sums what the server sums apart from it.
void TestReports::periodEdges()
{
    QFETCH(QString, statement);
    QFETCH(QString, quantity);
    QFETCH(bool, money);
    makeFloor();
    Dataset rows(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("report"));
    rows.setSql(statement);

    struct Period { QDate from; QDate to; };
    for (const Period& p : {Period{From, To}, Period{From.addDays(-1), From}, Period{To, To.addDays(1)}, Period{From, From},
                            Period{To, From}}) {
        prepareReportQuery(rows, p.from, p.to, AllProducts);
        rows.open();
        const QString where = p.from.toString("dd.MM") + "-" + p.to.toString("dd.MM");
        QCOMPARE(columnSum(rows, "kolvo"), journalSum(quantity, p.from, p.to));
        if (money)
            QCOMPARE(columnSum(rows, "summa"), journalSum("(s.kol_vo - s.brak) * s.cena", p.from, p.to));
        if (p.from >= p.to)
            QVERIFY2(rows.isEmpty(), qPrintable(where));
        else
            QVERIFY2(!rows.isEmpty(), qPrintable(where));
        rows.close();
    }
}

void TestReports::productKindFilter()
{
    makeFloor();
    Dataset rows(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("t_Report"));
    rows.setSql(workersReportStatement());
    for (const int choice : {AllProducts, FinishedProducts, Blanks, AllProducts}) {
        prepareReportQuery(rows, From, To, choice);
        rows.open();
        QCOMPARE(columnSum(rows, "kolvo"), journalSum("s.kol_vo - s.brak", From, To, kindCondition(choice)));
        for (int row = 0; row < rows.recordCount(); ++row) {
            const int kind = rows.value(row, rows.fieldIndex("naimen")).toInt();
            QVERIFY(choice == AllProducts || kind == choice - 1);
        }
        rows.close();
    }
    QCOMPARE(rows.filter(), QStringLiteral("naimen=1"));   // kept, but off for "Все"
    QVERIFY(!rows.filtered());
}

void TestReports::lineTexts()
{
    QCOMPARE(printedColorText(0), QStringLiteral(" "));
    QCOMPARE(printedColorText(-3), QStringLiteral(" "));
    QCOMPARE(printedColorText(1), QStringLiteral(" (грунт)"));
    QCOMPARE(printedColorText(9010), QStringLiteral(" (RAL: 9010)"));
    QCOMPARE(spreadsheetOperationText("Покраска", 0), QStringLiteral("Покраска"));
    QCOMPARE(spreadsheetOperationText("Покраска", 1), QStringLiteral("Покраска (грунт)"));
    QCOMPARE(spreadsheetOperationText("Покраска", 7), QStringLiteral("Покраска (цвет: 7)"));
    QCOMPARE(quantityText(2.5), QStringLiteral("2"));
    QCOMPARE(quantityText(3.5), QStringLiteral("4"));
    QCOMPARE(quantityText(7), QStringLiteral("7"));
    QCOMPARE(boxesText(0.1 + 0.2), QStringLiteral("0,3"));
    QCOMPARE(boxesText(12.5), QStringLiteral("12,5"));
    QCOMPARE(boxesText(4), QStringLiteral("4"));
    QCOMPARE(reportTitle("   Отчет по рабочим за период с ", QDate(2023, 3, 1), QDate(2023, 4, 1)),
             QStringLiteral("   Отчет по рабочим за период с 01.03.2023 по 01.04.2023"));
}

void TestReports::spreadsheet()
{
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    const XlsxSheet sheet = exportSpreadsheet();
    QCOMPARE(sheet.text(1, 1), QStringLiteral("Наименование"));
    QCOMPARE(sheet.text(2, 1), QStringLiteral("Операция"));
    QCOMPARE(sheet.text(3, 1), QStringLiteral("Вид продукции"));
    QCOMPARE(sheet.text(4, 1), QStringLiteral("Коробки"));
    QCOMPARE(sheet.text(5, 1), QStringLiteral("Кол-во"));

    // One line per product, operation type, kind and colour, ordered by product.
    const QList<QStringList> expected{
        {"Ящик А", "Покраска (грунт)", "Заготовки", "4.5", "18"},
        {"Ящик А", "Сборка", "Готовая продукция", "5.25", "21"},
        {"Ящик Б", "Покраска (цвет: 7)", "Заготовки", "7.5", "5"},
        {"Ящик Б", "Покраска (цвет: 9010)", "Заготовки", "13.5", "9"},
        {"Ящик Б", "Сборка", "Готовая продукция", "13.5", "9"},
    };
    QList<QStringList> lines;
    for (int row = 2; sheet.has(1, row); ++row) {
        QStringList line;
        for (int column = 1; column <= 5; ++column)
            line << sheet.text(column, row);
        lines << line;
        QVERIFY(sheet.cell(4, row).number);
        QVERIFY(sheet.cell(5, row).number);
        QVERIFY(!sheet.cell(1, row).number);
    }
    std::sort(lines.begin(), lines.end());
    QCOMPARE(lines, expected);
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel (5 из 5)"));
    QVERIFY(QSqlDatabase::connectionNames().filter(".reading.").isEmpty());   // the rows went with their session
}

void TestReports::spreadsheetOfFinishedProducts()
{
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    Form18->RadioGroup1->setItemIndex(FinishedProducts);
    const XlsxSheet sheet = exportSpreadsheet();
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel (2 из 2)"));
    QCOMPARE(sheet.text(3, 2), QStringLiteral("Готовая продукция"));
    QCOMPARE(sheet.text(3, 3), QStringLiteral("Готовая продукция"));
    QVERIFY(!sheet.has(1, 4));
}

void TestReports::emptySpreadsheet()
{
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(From);
    const XlsxSheet sheet = exportSpreadsheet();
    QCOMPARE(sheet.text(5, 1), QStringLiteral("Кол-во"));
    QVERIFY(!sheet.has(1, 2));
    QCOMPARE(sheet.cells.size(), 5);
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel (0 из 0)"));
}

// No workbook can be made: the box tells so, nothing is written, the caption stays.
void TestReports::spreadsheetWithoutWorkbook()
{
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    const QString documents = m_home.filePath("Documents");
    QDir(documents).removeRecursively();
    QFile blocker(documents);   // a file where the folder would go
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MessageLog log;
    QTest::mouseClick(Form18->Button6, Qt::LeftButton);
    QFile::remove(documents);
    QCOMPARE(log.texts(), QStringList{"Ошибка открытия файла Microsoft Excel."});
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel (0 из 0)"));
    QVERIFY(QSqlDatabase::connectionNames().filter(".reading.").isEmpty());   // the rows went with their session
}

void TestReports::spreadsheetCancelled_data()
{
    QTest::addColumn<int>("slice");   // the repaint at which "Отмена" is pressed
    QTest::addColumn<QString>("written");
    QTest::newRow("before the first line") << 1 << "Excel (0 из 5)";
    QTest::newRow("after the last line") << 2 << "Excel (5 из 5)";
}

// "Отмена" while the workbook is filled: nothing is handed to the desktop, no file or part of
// one is left in the folder, and the dialog goes on to export whole the next time.
void TestReports::spreadsheetCancelled()
{
    QFETCH(int, slice);
    QFETCH(QString, written);
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    Form18->show();
    const QDir folder(workbookFolder());
    const QDir::Filters files = QDir::Files | QDir::Hidden | QDir::System;
    const QStringList before = folder.entryList(files);
    QString pressedAt;
    int slices = 0;
    std::function<void()> press = [&] {
        auto* progress = Form18->findChild<QProgressDialog*>(QStringLiteral("SpreadsheetProgress"));
        if (!progress || !progress->isVisible())
            return;
        if (++slices < slice) {
            QTimer::singleShot(0, Form18, press);
            return;
        }
        QCOMPARE(folder.entryList(files).size(), before.size() + 1);   // the workbook's file, being filled
        auto* cancel = progress->findChild<QPushButton*>();
        QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
        pressedAt = progress->labelText();
        QTest::mouseClick(cancel, Qt::LeftButton);
    };
    QTimer::singleShot(0, Form18, press);
    QTest::mouseClick(Form18->Button6, Qt::LeftButton);

    QCOMPARE(pressedAt, written);
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(folder.entryList(files), before);
    QVERIFY(QSqlDatabase::connectionNames().filter(".reading.").isEmpty());   // the rows went with their session
    QVERIFY(!Form18->findChild<QProgressDialog*>());
    QVERIFY(Form18->isVisible());

    const XlsxSheet sheet = exportSpreadsheet();
    QCOMPARE(sheet.text(5, 1), QStringLiteral("Кол-во"));
    QVERIFY(sheet.has(1, 6));
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel (5 из 5)"));
    QCOMPARE(folder.entryList(files).size(), before.size() + 1);
    QVERIFY(folder.entryList(files).contains(QFileInfo(m_opened.first()).fileName()));
}

// 8255.667 boxes: a value whose nearest binary number has a 16th digit (8255.666999999999); the
// file holds the server's value to 15 significant digits, and is named after the period.
void TestReports::spreadsheetNumbersAsTheDatabaseHasThem()
{
    const int worker = Fixture::worker(QStringLiteral("Алексеев А.А."));
    const int product = Fixture::product(QStringLiteral("ЯВ-3"), 8.255667, Fixture::classItem(QStringLiteral("Ящик В")));
    const int operation = Fixture::operation(product, Fixture::operationType(QStringLiteral("Сборка")), 0);
    Fixture::entry(entryOf(worker, product, operation, QDate(2026, 3, 3), 400, 0, 2.5, 0));
    Fixture::entry(entryOf(worker, product, operation, QDate(2026, 3, 4), 603, 3, 2.5, 0));
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    const XlsxSheet sheet = exportSpreadsheet();
    QVERIFY2(QFileInfo(m_opened.value(0)).fileName().startsWith(QStringLiteral("Отчет с 01.03.2026 по 01.04.2026 ")),
             qPrintable(m_opened.value(0)));
    const double boxes = journalSum(QStringLiteral("i.massa * (s.kol_vo - s.brak)"), From, To);
    QCOMPARE(sheet.text(4, 2), QString::number(boxes, 'g', 15));
    QCOMPARE(sheet.text(4, 2), QStringLiteral("8255.667"));
    QCOMPARE(sheet.text(5, 2).toDouble(), journalSum(QStringLiteral("s.kol_vo - s.brak"), From, To));
}

void TestReports::roles_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("off");
    QTest::addColumn<int>("kind");
    QTest::newRow("planner") << "quaxil" << QStringList{} << int(AllProducts);
    QTest::newRow("master") << "dovrent" << QStringList{"Button1", "Button2", "Button4", "Button6"} << int(AllProducts);
    QTest::newRow("warehouse") << "piwun" << QStringList{"Button1", "Button2", "Button4", "Button6", "RadioGroup1"}
                               << int(FinishedProducts);
    QTest::newRow("administrator") << "61730284" << QStringList{} << int(AllProducts);
    QTest::newRow("second administrator code") << "9723" << QStringList{} << int(AllProducts);
}

void TestReports::roles()
{
    QFETCH(QString, code);
    QFETCH(QStringList, off);
    QFETCH(int, kind);
    const QMap<QString, bool> before = enabledControls(Form18);
    QMap<QString, bool> during;
    int shownKind = -1;
    bool reportsOpened = false;
    whenModal<TForm1>([&](TForm1* journal) {
        reportsOpened = expectModal<TForm18>([journal] { journal->N10->trigger(); },
                                             [&](TForm18* w) {
                                                 during = enabledControls(w);
                                                 shownKind = w->RadioGroup1->itemIndex();
                                                 w->close();
                                             });
        journal->close();
    });
    Form23->Edit1->setText(code);
    QTest::mouseClick(Form23->Button1, Qt::LeftButton);

    QVERIFY(reportsOpened);
    QCOMPARE(shownKind, kind);
    QCOMPARE(during.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        // The items of a disabled choice are disabled with it.
        const bool switchedOff = off.contains(it.key()) || (off.contains("RadioGroup1") && it.key().startsWith("RadioGroup1_"));
        QVERIFY2(it.value(), qPrintable(it.key()));
        QVERIFY2(during.value(it.key()) == !switchedOff, qPrintable(it.key()));
    }
}

// Worker headers, product headers and footers, worker footers and the report footer, in this
// order, with the server's sums; for every product kind and back to all kinds.
void TestReports::workersReportGroups()
{
    makeFloor();
    const QList<Total> productTotals{{Net, 137.8, ""}, {Money, 163.0, "#0.000"}};
    for (const int kind : {AllProducts, FinishedProducts, Blanks, AllProducts}) {
        const QString condition = kindCondition(kind);
        QSqlQuery q(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
        QVERIFY(q.exec(QStringLiteral("select p.s_caption, i.nom, sum(%1)::float8, sum(%2)::float8, "
                                      "sum(sum(%2)) over (partition by p.s_caption)::float8, "
                                      "row_number() over (partition by p.s_caption order by i.nom desc) = 1 "
                                      "from accounts_dep.smena s join accounts_dep.oper o on o.id = s.o_id "
                                      "join accounts_dep.izdel i on i.id = s.i_id join cmn_contractor.person p on p.s_code = s.w_id::text "
                                      "where s.data >= %3 and s.data < %4 %5 group by 1, 2 order by 1, 2")
                           .arg(Net, Money, sqlDate(From), sqlDate(To), condition.isEmpty() ? QString() : " and " + condition)));
        QStringList expected{"0.3:" + reportTitle(Form16->titlePrefix(), From, To)};
        QString worker;
        while (q.next()) {
            if (q.value(0).toString() != worker) {
                worker = q.value(0).toString();
                expected << "0.3:" + worker;
            }
            expected << "0.3:" + q.value(1).toString() << totalsLine(productTotals, {q.value(2).toDouble(), q.value(3).toDouble()});
            if (q.value(5).toBool())   // the worker's last product
                expected << "163.0:" + reportValueText(q.value(4).toDouble(), "#0.00");
        }
        expected << "137.8:Итого: | 160.9:" + reportValueText(journalSum(Money, From, To, condition), "#0.00");
        QCOMPARE(boldLines(reportPages(Form16, kind)), expected);
    }
}

void TestReports::oneGroupReports_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("headings");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QList<Total>>("groupTotals");
    QTest::addColumn<double>("labelLeft");
    QTest::addColumn<QList<Total>>("reportTotals");
    const QString boxes = QStringLiteral("round(i.massa * s.kol_vo, 2)");
    QTest::newRow("products") << "TForm17" << " | 136.3:Коробки | 165.1:Количество" << "i.nom"
                              << QList<Total>{{Boxes, 133.6, ""}, {Net, 163.0, ""}} << 106.4
                              << QList<Total>{{Boxes, 131.2, "#0"}, {Net, 160.9, ""}};
    QTest::newRow("workers detail") << "TForm20" << " | 124.1:Брак | 133.3:Количество | 157.4:Сумма" << "p.s_caption"
                                    << QList<Total>{{"s.brak", 128.3, ""}, {"s.kol_vo", 145.5, ""}, {Money, 169.9, "#0.00"}} << 106.1
                                    << QList<Total>{{"s.brak", 132.0, ""}, {"s.kol_vo", 145.0, ""}, {Money, 165.9, "#0.00"}};
    QTest::newRow("products detail") << "TForm21" << " | 124.4:Брак | 134.9:Коробки | 153.5:Кол-во | 173.8:Сумма" << "i.nom"
                                     << QList<Total>{{"s.brak", 124.4, ""}, {boxes, 132.8, "#0.00"}, {"s.kol_vo", 152.1, ""}, {Money, 169.9, "#0.00"}}
                                     << 99.7
                                     << QList<Total>{{"s.brak", 124.4, ""}, {boxes, 132.8, ""}, {"s.kol_vo", 152.1, ""}, {Money, 169.9, "#0.00"}};
}

void TestReports::oneGroupReports()
{
    QFETCH(QString, form);
    QFETCH(QString, headings);
    QFETCH(QString, key);
    QFETCH(QList<Total>, groupTotals);
    QFETCH(double, labelLeft);
    QFETCH(QList<Total>, reportTotals);
    makeFloor();
    ProductionReport* byName = reportForm(form);
    for (const int kind : {AllProducts, Blanks}) {
        QStringList expected{"0.0:" + reportTitle(byName->titlePrefix(), From, To) + headings};
        expected << expectedGroupLines(key, groupTotals, labelLeft, reportTotals, kindCondition(kind));
        QCOMPARE(boldLines(reportPages(byName, kind)), expected);
    }
}

// Kind and colour texts of the detail lines, a kind of 5 printed as blanks.
void TestReports::detailLines()
{
    makeFloor();
    QStringList workers;
    for (const PrintedLine& line : printedLines(reportPages(Form16)))
        if (!line.bold)
            workers << line.text;
    QVERIFY(workers.contains("13.2:Готовая продукция | 56.9:Сборка | 137.8:16 | 163.0:40,000"));
    QVERIFY(workers.contains("13.2:Заготовки | 56.9:Покраска | 101.6: (грунт) | 137.8:18 | 163.0:22,500"));
    QVERIFY(workers.contains("13.2:Заготовки | 56.9:Покраска | 101.6: (RAL: 9010) | 137.8:9 | 163.0:27,000"));
    QCOMPARE(workers.last(), QStringLiteral("176.2:1"));

    QStringList detailed;
    for (const PrintedLine& line : printedLines(reportPages(Form20)))
        if (!line.bold)
            detailed << line.text;
    QVERIFY(detailed.contains("0.3:ЯБ-2 | 42.9:Покраска | 73.6:9010 | 91.3:Заготовки | 128.1:0 | 146.3:9 | 169.9:27,00"));
    QVERIFY(detailed.contains("0.3:ЯА-1 | 42.9:Сборка | 73.6:0 | 91.3:Готовая продукция | 128.1:1 | 146.3:17 | 169.9:40,00"));
}

// No rows: one page with the title, the report footer with zero totals and page number 1.
void TestReports::emptyReports()
{
    makeFloor();
    const QList<QPair<ProductionReport*, QString>> footers{
        {Form16, "137.8:Итого: | 160.9:0,00"},
        {Form17, "106.4:Итого: | 131.2:0 | 160.9:0"},
        {Form20, "106.1:Итого: | 132.0:0 | 145.0:0 | 165.9:0,00"},
        {Form21, "99.7:Итого: | 124.4:0 | 132.8:0 | 152.1:0 | 169.9:0,00"},
    };
    for (const auto& [report, footer] : footers) {
        const ReportDocument pages = reportPages(report, AllProducts, From, From);
        QCOMPARE(pages.pages.size(), 1);
        const QList<PrintedLine> lines = printedLines(pages);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).text.contains(reportTitle(report->titlePrefix(), From, From)));
        QCOMPARE(lines.at(1).text, footer);
        QCOMPARE(lines.at(2).text, QStringLiteral("176.2:1"));
    }
}

void TestReports::positions_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QList<QPointF>>("items");   // (left, width); width 0 for items sized to their text
    const QPointF pageNumber(176.2, 0);
    QTest::newRow("workers") << "TForm16"
                             << QList<QPointF>{{0.3, 0}, {13.2, 42.1}, {56.9, 43.1}, {101.6, 34.7}, {137.8, 19.3}, {163.0, 23.5},
                                               {163.0, 23.8}, {137.8, 0}, {160.9, 28.0}, pageNumber};
    QTest::newRow("products") << "TForm17"
                              << QList<QPointF>{{0.0, 0}, {136.3, 0}, {165.1, 0}, {0.3, 0}, {13.2, 40.0}, {54.8, 36.2}, {92.6, 39.4},
                                                {133.6, 19.3}, {163.0, 23.5}, {163.0, 23.8}, {106.4, 0}, {131.2, 23.5}, {160.9, 28.0},
                                                pageNumber};
    QTest::newRow("workers detail") << "TForm20"
                                    << QList<QPointF>{{0.0, 0}, {124.1, 0}, {133.3, 0}, {157.4, 0}, {0.3, 0}, {0.3, 41.0}, {42.9, 29.1},
                                                      {73.6, 16.1}, {91.3, 29.9}, {128.1, 9.0}, {146.3, 17.5}, {169.9, 19.6}, {128.3, 9.0},
                                                      {145.5, 19.3}, {106.1, 0}, {132.0, 11.4}, {145.0, 19.3}, {165.9, 23.5}, pageNumber};
    QTest::newRow("products detail") << "TForm21"
                                     << QList<QPointF>{{0.0, 0}, {124.4, 0}, {134.9, 0}, {153.5, 0}, {173.8, 0}, {0.3, 0}, {1.1, 52.1},
                                                       {52.9, 27.8}, {81.2, 16.7}, {99.5, 27.0}, {125.4, 6.6}, {133.6, 18.8}, {152.1, 16.7},
                                                       {169.9, 19.1}, {124.4, 8.7}, {132.8, 18.8}, {169.9, 20.1}, {99.7, 0}, {124.4, 8.5},
                                                       pageNumber};
}

// Every item prints at its place, and nothing elsewhere.
void TestReports::positions()
{
    QFETCH(QString, form);
    QFETCH(QList<QPointF>, items);
    makeFloor();
    ProductionReport* report = reportForm(form);
    QVector<ReportText> texts;
    for (const ReportPage& page : reportPages(report).pages)
        texts << page.texts();
    const auto near = [](double a, double b) { return qAbs(a - b) < 0.05; };
    for (const QPointF& item : items) {
        const bool found = std::any_of(texts.cbegin(), texts.cend(), [&](const ReportText& t) {
            return near(t.rect.left() - 10, item.x()) && (item.y() == 0 || near(t.rect.width(), item.y()));
        });
        QVERIFY2(found, qPrintable(QString("%1 / %2").arg(item.x()).arg(item.y())));
    }
    for (const ReportText& t : texts) {
        const bool expected = std::any_of(items.cbegin(), items.cend(), [&](const QPointF& item) {
            return near(t.rect.left() - 10, item.x()) && (item.y() == 0 || near(t.rect.width(), item.y()));
        });
        QVERIFY2(expected, qPrintable(QString("%1 at %2 / %3").arg(t.text).arg(t.rect.left() - 10).arg(t.rect.width())));
    }
}

// The report as the user saves it: the title, each worker's total and the report's total in
// the PDF's text.
void TestReports::workersReportAsPdf()
{
    makeFloor();
    QTemporaryDir folder;
    const QString pdf = folder.filePath("workers.pdf");
    QVERIFY(reportPages(Form16).writePdf(pdf));
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(text.waitForFinished(20000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(printed.contains(reportTitle(Form16->titlePrefix(), From, To).trimmed()), qPrintable(printed));
    for (const QString& worker : {QStringLiteral("Алексеев А.А."), QStringLiteral("Борисов Б.Б.")}) {
        const QString condition = "s.w_id = (select id from accounts_dep.person where fio = " + sqlQuote(worker) + ")";
        QVERIFY(printed.contains(worker));
        QVERIFY2(printed.contains(reportValueText(journalSum(Money, From, To, condition), "#0.00")), qPrintable(worker));
    }
    QVERIFY(printed.contains(QRegularExpression("Итого:\\s+" + QRegularExpression::escape(reportValueText(journalSum(Money, From, To), "#0.00")))));
}

void TestReports::titleNamesTheKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("ending");
    QTest::newRow("all") << int(AllProducts) << "01.04.2026";
    QTest::newRow("finished products") << int(FinishedProducts) << "01.04.2026 (Готовая продукция)";
    QTest::newRow("blanks") << int(Blanks) << "01.04.2026 (Заготовки)";
}

// A filtered report says which kind it counts at the end of its title, on the page and in the
// PDF; the title keeps clear of the column headings beside it.
void TestReports::titleNamesTheKind()
{
    QFETCH(int, kind);
    QFETCH(QString, ending);
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    Form18->RadioGroup1->setItemIndex(kind);
    QStringList titles;
    ReportDocument detailed;
    ReportPreview::setPresenter([&](const ReportDocument& document, const QString& caption) {
        for (const ReportText& text : document.pages.first().texts())
            if (text.text.startsWith(QStringLiteral("   ")))
                titles << text.text;
        QVERIFY2(pageFitFaults(document).isEmpty(), qPrintable(caption + ": " + pageFitFaults(document).join('\n')));
        detailed = document;
    });
    for (QPushButton* button : {Form18->Button4, Form18->Button2, Form18->Button1, Form18->Button3})
        QTest::mouseClick(button, Qt::LeftButton);
    QStringList expected;
    for (ProductionReport* report : std::initializer_list<ProductionReport*>{Form16, Form17, Form20, Form21})
        expected << report->titlePrefix() + "01.03.2026 по " + ending;
    QCOMPARE(titles, expected);

    QTemporaryDir folder;
    const QString pdf = folder.filePath("detailed.pdf");
    const QStringList faults = printFitFaults(detailed, pdf);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QMap<double, QString> header;   // the report header's words, left to right
    for (const PdfWord& word : pdfWords(pdf))
        if (word.rect.center().y() < 10 + 7.7)
            header.insert(word.rect.left(), word.text);
    QCOMPARE(QStringList(header.values()).join(' '), expected.last().trimmed() + " Брак Коробки Кол-во Сумма");
}

// A month of a busy floor: long operation names, totals of many digits. Every text keeps inside
// its box on the page and in the PDF, numbers whole; the boxes keep their places.
void TestReports::textsFitTheirBoxes()
{
    const int worker = Fixture::worker(QStringLiteral("Константинопольский-Салтыков Вячеслав Вячеславович"));
    const int product = Fixture::product(QStringLiteral("ЯЩ-1250x800x600 усиленный, оцинкованный, с крышкой"), 123.4567,
                                         Fixture::classItem(QStringLiteral("Ящик оцинкованный")));
    const int paint = Fixture::operation(product, Fixture::operationType(QStringLiteral("Покраска (КРАСКА)")), 0);
    const int blank = Fixture::operation(product, Fixture::operationType(QStringLiteral("Заготовка деталей корпуса и крышки")), 1);
    for (int day = 1; day <= 20; ++day) {
        Fixture::entry(entryOf(worker, product, paint, QDate(2026, 3, day), 2555, 31 + day, 1234.567, 9010));
        Fixture::entry(entryOf(worker, product, blank, QDate(2026, 3, day), 1000, 1, 987.65, 0));
    }
    for (ProductionReport* report : std::initializer_list<ProductionReport*>{Form16, Form17, Form20, Form21}) {
        QTemporaryDir folder;
        const QStringList faults = printFitFaults(reportPages(report), folder.filePath("report.pdf"));
        QVERIFY2(faults.isEmpty(), qPrintable(report->caption() + ":\n" + faults.join('\n')));
    }

    // The report footer of "Детальный отчет по продукции": each total a word of its own, whole.
    const ReportDocument detailed = reportPages(Form21);
    const QVector<ReportText>& last = detailed.pages.last().texts();
    const auto label = std::find_if(last.cbegin(), last.cend(), [](const ReportText& t) { return t.text == QStringLiteral("Итого:"); });
    QVERIFY(label != last.cend());
    QStringList footer;
    for (const ReportText& text : last)
        if (text.rect.top() == label->rect.top())
            footer << text.text;
    const double boxes = TestDb::scalar(QStringLiteral("select sum(m)::float8 from (select round((i.massa * sum(s.kol_vo))::numeric, 2) m "
                                                       "from accounts_dep.smena s join accounts_dep.izdel i on i.id = s.i_id group by s.o_id, i.massa) t"))
                             .toDouble();
    QCOMPARE(footer, (QStringList{"Итого:", QString::number(20 * 31 + 210 + 20), reportValueText(boxes, QString()),
                                  QString::number(20 * 3555), reportValueText(journalSum(Money, From, To), "#0.00")}));
}

// Boxes the server rounds to cents add up on paper to the figure a clerk gets by hand: a
// thousand lines of 0,10 and one of 4517512,38 make 4517612,38, where binary fractions drift.
void TestReports::exactTotalsOnPaper()
{
    const int worker = Fixture::worker(QStringLiteral("Алексеев А.А."));
    const int small = Fixture::product(QStringLiteral("ЯА-1"), 0.1, Fixture::classItem(QStringLiteral("Ящик А")));
    const int large = Fixture::product(QStringLiteral("ЯБ-2"), 4517512.38, Fixture::classItem(QStringLiteral("Ящик Б")));
    const int type = Fixture::operationType(QStringLiteral("Сборка"));
    const int smallOperation = Fixture::operation(small, type, 0);
    Fixture::entry(entryOf(worker, large, Fixture::operation(large, type, 0), QDate(2026, 3, 2), 1, 0, 1.0, 0));
    // A thousand lines of the small box: one colour each.
    TestDb::exec(QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) "
                                "select '2026-03-03', 1, %1, %2, %3, 0.1, 1, 0, g, 1, 'no' from generate_series(1, 1000) g")
                     .arg(worker)
                     .arg(small)
                     .arg(smallOperation));

    // "Детальный отчет по продукции": the boxes of each product "#0.00", of the report as summed.
    const ReportDocument detailed = reportPages(Form21);
    QStringList boxes;   // the texts printed in the "Коробки" column of the footers, in order
    for (const ReportPage& page : detailed.pages)
        for (const ReportText& text : page.texts())
            if (qAbs(text.rect.left() - (10 + 132.8)) < 0.01)
                boxes << text.text;
    QCOMPARE(boxes, (QStringList{"100,00", "4517512,38", "4517612,38"}));
    // The money: a thousand lines of 0,1 and one of 1.
    const QVector<ReportText>& last = detailed.pages.last().texts();
    QVERIFY(std::any_of(last.cbegin(), last.cend(), [](const ReportText& t) { return t.text == QStringLiteral("101,00"); }));
    QTemporaryDir folder;
    const QStringList faults = printFitFaults(detailed, folder.filePath("detailed.pdf"));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));

    // "Отчет по продукции": a product's boxes without a mask print as summed, after its lines.
    QStringList column;
    for (const ReportPage& page : reportPages(Form17).pages)
        for (const ReportText& text : page.texts())
            if (qAbs(text.rect.left() - (10 + 133.6)) < 0.01 && text.text != QStringLiteral("0,1"))
                column << text.text;
    QCOMPARE(column, (QStringList{"100", "4517512,38", "4517512,38"}));
}

void TestReports::halfKopecksAsNumericSumsThem_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QList<double>>("lefts");   // of the money totals: groups', report's
    QTest::addColumn<QString>("groups");        // grouping sets of the server's sums, the report's () last
    QTest::addColumn<QString>("decimals");      // of each sum as printed
    QTest::newRow("workers") << "TForm16" << QList<double>{163.0, 160.9} << "(p.s_caption, i.nom), (p.s_caption), ()"
                             << "case when grouping(i.nom) = 0 then 3 else 2 end";
    QTest::newRow("workers detail") << "TForm20" << QList<double>{169.9, 165.9} << "(p.s_caption), ()" << "2";
    QTest::newRow("products detail") << "TForm21" << QList<double>{169.9} << "(i.nom), ()" << "2";
}

// Prices whose products end in half a kopeck: the totals print what the server's numeric sums
// round to, half away from zero, where sums of binary prices fall a kopeck short.
void TestReports::halfKopecksAsNumericSumsThem()
{
    QFETCH(QString, form);
    QFETCH(QList<double>, lefts);
    QFETCH(QString, groups);
    QFETCH(QString, decimals);
    const int alekseev = Fixture::worker(QStringLiteral("Алексеев А.А."));
    const int borisov = Fixture::worker(QStringLiteral("Борисов Б.Б."));
    const int boxA = Fixture::product(QStringLiteral("ЯА-1"), 1, Fixture::classItem(QStringLiteral("Ящик А")));
    const int boxB = Fixture::product(QStringLiteral("ЯБ-2"), 1, Fixture::classItem(QStringLiteral("Ящик Б")));
    const int type = Fixture::operationType(QStringLiteral("Сборка"));
    const int assemblyA = Fixture::operation(boxA, type, 0);
    const int assemblyB = Fixture::operation(boxB, type, 0);
    // 0,145 x 3 = 0,435 and 0,285 x (7 - 2) = 1,425; as binary fractions 0,43499999999999994 and
    // 1,4249999999999998: a product's total and a worker's.
    Fixture::entry(entryOf(alekseev, boxA, assemblyA, QDate(2026, 3, 2), 3, 0, 0.145, 0));
    Fixture::entry(entryOf(borisov, boxB, assemblyB, QDate(2026, 3, 4), 7, 2, 0.285, 0));
    // 42578,195 from a price of 8515,639 times five.
    Fixture::entry(entryOf(alekseev, boxB, assemblyB, QDate(2026, 3, 5), 5, 0, 8515.639, 0));

    QSqlQuery q(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
    QVERIFY2(q.exec(QStringLiteral("select round(sum((s.kol_vo - s.brak) * s.cena::numeric), %1)::text, "
                                   "round(sum((s.kol_vo - s.brak) * s.cena)::text::numeric, %1)::text "
                                   "from accounts_dep.smena s join accounts_dep.izdel i on i.id = s.i_id "
                                   "join cmn_contractor.person p on p.s_code = s.w_id::text "
                                   "where s.data >= %2 and s.data < %3 group by grouping sets (%4) "
                                   "order by grouping(%5), %5")
                        .arg(decimals, sqlDate(From), sqlDate(To), groups, form == "TForm21" ? "i.nom" : "p.s_caption")
                        + (form == "TForm16" ? QStringLiteral(", grouping(i.nom), i.nom") : QString())),
             qPrintable(q.lastError().text()));
    QStringList expected;
    int binaryShort = 0;   // sums of binary prices, as their shortest text reads, print a kopeck low
    while (q.next()) {
        expected << q.value(0).toString().replace('.', ',');
        binaryShort += q.value(0).toString() != q.value(1).toString();
    }
    QVERIFY2(binaryShort > 0, "the fixture shows no fault of binary money");

    QStringList printed;
    const ReportDocument document = reportPages(reportForm(form));
    for (const ReportPage& page : document.pages)
        for (const ReportText& text : page.texts())
            if (document.fonts.at(text.font).bold()
                && std::any_of(lefts.cbegin(), lefts.cend(), [&](double left) { return qAbs(text.rect.left() - (10 + left)) < 0.01; }))
                printed << text.text;
    QCOMPARE(printed, expected);
}

// The buttons show their reports in a preview; the dialog waits for it, and a second press of
// a report whose preview is open shows nothing new.
void TestReports::previewFromDialog()
{
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    QStringList shown;
    int pagesOfWorkers = 0;
    ReportPreview::setPresenter([&](const ReportDocument& document, const QString& caption) {
        shown << caption;
        if (caption == QStringLiteral("Отчет по рабочим")) {
            pagesOfWorkers = document.pages.size();
            QTest::mouseClick(Form18->Button4, Qt::LeftButton);   // while its preview is open
            QVERIFY(!Form16->t_Report->isOpen());
        }
    });
    for (QPushButton* button : {Form18->Button4, Form18->Button2, Form18->Button1, Form18->Button3})
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(shown, (QStringList{"Отчет по рабочим", "Отчет по продукции", "Детальный отчет по рабочим", "Детальный отчет по продукции"}));
    QCOMPARE(pagesOfWorkers, 1);
}

// A statement the server refuses goes to the error display; no preview shows and the query
// stays closed.
void TestReports::databaseErrorShowsNoPreview()
{
    makeFloor();
    Form18->DTPicker1->setDate(From);
    Form18->DTPicker2->setDate(To);
    int previews = 0;
    ReportPreview::setPresenter([&](const ReportDocument&, const QString&) { ++previews; });
    TestDb::execAsOwner("alter table accounts_dep.vid_oper rename to vid_oper_gone");
    MessageLog log;
    QTest::mouseClick(Form18->Button3, Qt::LeftButton);
    TestDb::execAsOwner("alter table accounts_dep.vid_oper_gone rename to vid_oper");
    QCOMPARE(log.shown().size(), 1);
    QVERIFY(log.shown().first().detail.contains("vid_oper"));
    QCOMPARE(previews, 0);
    QVERIFY(!Form21->i_Report->isOpen());
    QTest::mouseClick(Form18->Button3, Qt::LeftButton);   // the next run goes through
    QCOMPARE(previews, 1);
}

// "Сохранить в PDF" suggests the workbook folder and a name that says what and when.
void TestReports::pdfNamesSayWhatAndWhen()
{
    const QDir folder(workbookFolder());
    QCOMPARE(Form16->pdfPath(QDate(2026, 11, 1), QDate(2026, 12, 1)), folder.filePath("Отчет по рабочим 01.11.2026-01.12.2026.pdf"));
    QCOMPARE(Form21->pdfPath(QDate(2025, 12, 1), QDate(2026, 1, 1)),
             folder.filePath("Детальный отчет по продукции 01.12.2025-01.01.2026.pdf"));
    QCOMPARE(timesheetPdfPath(11, 2026), folder.filePath("Табель Ноябрь 2026.pdf"));
    QVERIFY(workbookFolder().endsWith("/Tabel"));
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
