#include "core/application.h"
#include "core/data_module.h"
#include "core/sign_in_window.h"
#include "journal/journal_window.h"
#include "reports/report_spreadsheet.h"
#include "reports/report_statements.h"
#include "reports/reports_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "toolkit/clock.h"
#include "toolkit/dataset.h"
#include "toolkit/desktop.h"
#include "toolkit/sql_text.h"

#include <QDir>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTemporaryDir>

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

} // namespace

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

    void roles_data();
    void roles();

private:
    // Presses the spreadsheet button and reads back the workbook handed to the desktop.
    XlsxSheet exportSpreadsheet();

    QTemporaryDir m_home;
    QStringList m_opened;
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
    Form18 = new TForm18;
    Form23 = new TForm23;
    m_opened.clear();
    Desktop::setOpener([this](const QString& path) {
        m_opened << path;
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
    delete Form1;
    Form1 = nullptr;
    Clock::setToday({});
}

XlsxSheet TestReports::exportSpreadsheet()
{
    m_opened.clear();
    QTest::mouseClick(Form18->Button6, Qt::LeftButton);
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
    QVERIFY(Form1->N10->isEnabled());
    QVERIFY(expectModal<TForm18>([] { Form1->N10->trigger(); },
                                 [&](TForm18* w) {
                                     shownFrom = w->DTPicker1->date();
                                     shownTo = w->DTPicker2->date();
                                     w->close();
                                 }));
    QCOMPARE(shownFrom, from);
    QCOMPARE(shownTo, to);
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
    QVERIFY(!Form18->XLS_Rep->isOpen());
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

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
