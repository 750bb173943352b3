#include "core/data_module.h"
#include "support/test_database.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/dataset_grid.h"
#include "toolkit/date_typing.h"
#include "toolkit/message_box.h"
#include "toolkit/number_format.h"
#include "toolkit/qt_translations.h"
#include "toolkit/row_filter.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QAbstractItemModelTester>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

// The data-access layer against the real server: literals, parameters, snapshots, filters,
// editing by key, and the grid that shows a snapshot; Qt's dialogs and the date boxes as the
// program sets them up at start-up.
class TestToolkit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(installQtTranslations());
        DateTyping::install();
        TestDb::setUp();
    }
    void cleanupTestCase() { TestDb::tearDown(); }
    void init() { TestDb::resetData(); }
    void questionBoxSpeaksRussianFromTheFirst();
    void qtDialogsSpeakRussian();
    void dateTypedAfterClick_data();
    void dateTypedAfterClick();

    void quotedTextRoundTrips_data();
    void quotedTextRoundTrips();
    void parametersSkipLiteralsAndCasts();
    void numberMasks_data();
    void numberMasks();
    void filterExpressions_data();
    void filterExpressions();
    void filterKeepsCurrentRowWhenItStillShows();
    void editingByKey();
    void failedStatementCarriesDriverText();
    void transactionKeepsAllOrNothing();
    void gridFollowsDataset();
};

void TestToolkit::quotedTextRoundTrips_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "Сборка";
    QTest::newRow("apostrophe") << "O'Brien";
    QTest::newRow("quote only") << "'";
    QTest::newRow("injection") << "x'); delete from accounts_dep.vid_oper; --";
    QTest::newRow("backslash") << "a\\b";
}

void TestToolkit::quotedTextRoundTrips()
{
    QFETCH(QString, text);
    QCOMPARE(TestDb::scalar("select " + sqlQuote(text)).toString(), text);
}

void TestToolkit::parametersSkipLiteralsAndCasts()
{
    Dataset set(TDataModule6::ConnectionName, "set");
    set.setSql("select ':kept' as lit, '7'::integer as cast, :day as day, :name as name, :n::numeric as n");
    set.setParam("DAY", QDate(2024, 3, 5));
    set.setParam("name", "д'Артаньян");
    set.setParam("n", 2.5);
    set.open();
    QCOMPARE(set.value("lit").toString(), QString(":kept"));
    QCOMPARE(set.value("cast").toInt(), 7);
    QCOMPARE(set.value("day").toDate(), QDate(2024, 3, 5));
    QCOMPARE(set.value("name").toString(), QString("д'Артаньян"));
    QCOMPARE(set.value("n").toDouble(), 2.5);

    Dataset missing(TDataModule6::ConnectionName, "missing");
    missing.setSql("select :nothing");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, missing.open());
}

void TestToolkit::numberMasks_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("text");
    QTest::newRow("two decimals") << 12.5 << "#0.00" << "12,50";
    QTest::newRow("three decimals") << 1.0 / 3 << "#0.000" << "0,333";
    QTest::newRow("whole") << 7.6 << "#0" << "8";
    QTest::newRow("optional third shown") << 1.125 << "#0.00#" << "1,125";
    QTest::newRow("optional third dropped") << 1.1 << "#0.00#" << "1,10";
    QTest::newRow("no minus zero") << -0.001 << "#0.00" << "0,00";
    QTest::newRow("half away from zero") << 2.5 << "#0" << "3";
    QTest::newRow("negative half away from zero") << -2.5 << "#0" << "-3";
    QTest::newRow("decimal half stored below it") << 1.005 << "#0.00" << "1,01";
    QTest::newRow("just below a half") << 1.0049 << "#0.00" << "1,00";
    QTest::newRow("no digit required, zero") << 0.4 << "#" << "";
    QTest::newRow("no digit required, hours") << 12.0 << "#" << "12";
}

void TestToolkit::numberMasks()
{
    QFETCH(double, value);
    QFETCH(QString, mask);
    QFETCH(QString, text);
    QCOMPARE(formatNumber(value, mask), text);
}

void TestToolkit::filterExpressions_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    const QStringList all{"Иванов", "иванова", "Петров", "O'Neil"};
    QTest::newRow("prefix any case") << prefixFilter("fio", "ИВА") << QStringList{"Иванов", "иванова"};
    QTest::newRow("prefix with apostrophe") << prefixFilter("fio", "O'N") << QStringList{"O'Neil"};
    QTest::newRow("empty prefix") << prefixFilter("fio", "") << all;
    QTest::newRow("number equals") << "n=2" << QStringList{"иванова"};
    QTest::newRow("and") << "fio like 'и%' and n = 1" << QStringList{"Иванов"};
    QTest::newRow("like ending") << "fio like '%ОВ'" << QStringList{"Иванов", "Петров"};
    QTest::newRow("like inside, any case") << "fio like '%Н%'" << QStringList{"Иванов", "иванова"};
    QTest::newRow("like one character") << "fio like '_ВАНОВ'" << QStringList{"Иванов"};
    QTest::newRow("like star, literal percent") << "fio like 'п*\\%'" << QStringList{};
    QTest::newRow("like whole text") << "fio like 'петров'" << QStringList{"Петров"};
    QTest::newRow("not equal") << "n<>2" << QStringList{"Иванов", "Петров", "O'Neil"};
}

void TestToolkit::filterExpressions()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    Dataset set(TDataModule6::ConnectionName, "set");
    set.setSql("select * from (values ('Иванов', 1), ('иванова', 2), ('Петров', 3), ('O''Neil', 4)) v(fio, n) order by n");
    set.open();
    set.setFilter(filter);
    set.setFiltered(true);
    QStringList names;
    for (set.first(); !set.eof(); set.next())
        names << set.value("fio").toString();
    QCOMPARE(names, shown);
    set.setFiltered(false);
    QCOMPARE(set.recordCount(), 4);
}

void TestToolkit::filterKeepsCurrentRowWhenItStillShows()
{
    Dataset set(TDataModule6::ConnectionName, "set");
    set.setSql("select * from (values ('Иванов', 1), ('иванова', 2), ('Петров', 3)) v(fio, n) order by n");
    set.open();
    set.moveTo(2);
    set.setFilter(prefixFilter("fio", "ив"));
    set.setFiltered(true);
    QCOMPARE(set.value("n").toInt(), 2);
    set.setFilter(prefixFilter("fio", "П"));
    QCOMPARE(set.recNo(), 1);
    QCOMPARE(set.value("n").toInt(), 3);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, set.setFilter("nosuch like 'x%'"));
}

void TestToolkit::editingByKey()
{
    Dataset* types = DataModule6->Vid_oper;
    types->open();
    types->insert();
    QCOMPARE(types->recNo(), -1);
    types->setValue("vid", "Сборка");
    types->post();
    QVERIFY(types->value("id").toInt() > 0);   // the key comes back from the database
    types->insert();
    types->setValue("vid", "Распил'ка");
    types->post();
    types->refresh();
    QCOMPARE(types->recordCount(), 2);
    QVERIFY(types->locate("vid", "Сборка"));
    types->edit();
    types->setValue("vid", "Шлифовка");
    types->post();
    QCOMPARE(TestDb::scalar("select string_agg(vid, ',' order by vid) from accounts_dep.vid_oper").toString(),
             QString("Распил'ка,Шлифовка"));
    types->first();
    types->remove();
    QCOMPARE(types->recordCount(), 1);
    QCOMPARE(TestDb::scalar("select vid from accounts_dep.vid_oper").toString(), QString("Шлифовка"));
    types->insert();
    types->cancel();
    QCOMPARE(types->recordCount(), 1);
    types->close();
}

void TestToolkit::failedStatementCarriesDriverText()
{
    Command cmd(TDataModule6::ConnectionName, "cmd");
    try {
        cmd.execute("insert into accounts_dep.nosuchtable values (1)");
        QFAIL("no error");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("nosuchtable"), qPrintable(e.message()));
        QVERIFY(e.statement().contains("nosuchtable"));
    }
    // The connection stays usable.
    QCOMPARE(TestDb::scalar("select 1").toInt(), 1);
}

// Statements of one action land together: an exception anywhere inside takes back every one
// of them, a nested step joins the outer transaction, and only the outermost commit counts.
void TestToolkit::transactionKeepsAllOrNothing()
{
    Command cmd(TDataModule6::ConnectionName, "cmd");
    const QString insert = "insert into accounts_dep.vid_oper(vid) values('%1')";
    const auto count = [] { return TestDb::scalar("select count(*) from accounts_dep.vid_oper").toInt(); };
    try {
        Transaction outer(TDataModule6::ConnectionName);
        cmd.execute(insert.arg("a"));
        {
            Transaction inner(TDataModule6::ConnectionName);
            cmd.execute(insert.arg("b"));
            inner.commit();
        }
        cmd.execute("insert into accounts_dep.nosuchtable values (1)");
        outer.commit();
        QFAIL("no error");
    } catch (const DatabaseError&) {
    }
    QVERIFY(!Transaction::isOpen(TDataModule6::ConnectionName));
    QCOMPARE(count(), 0);

    {
        Transaction outer(TDataModule6::ConnectionName);
        cmd.execute(insert.arg("a"));
        {
            Transaction inner(TDataModule6::ConnectionName);
            cmd.execute(insert.arg("b"));
            inner.commit();
        }
        outer.commit();
    }
    QCOMPARE(count(), 2);
}

void TestToolkit::gridFollowsDataset()
{
    Dataset set(TDataModule6::ConnectionName, "set");
    set.setSql("select n, n * 1.5 as half from generate_series(1, 5) n order by n");
    DBGrid grid;
    grid.setDataset(&set);
    grid.setColumns({{"n", "N", 40}, {"half", "Half", 60, true, Qt::AlignRight, "#0.00"}, {"n", "hidden", 10, false}});
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    set.open();
    QCOMPARE(grid.model()->rowCount(), 5);
    QVERIFY(grid.isColumnHidden(2));
    QCOMPARE(grid.model()->index(1, 1).data().toString(), QString("3,00"));
    set.moveTo(4);
    QCOMPARE(grid.currentIndex().row(), 3);
    grid.setCurrentIndex(grid.model()->index(1, 0));
    QCOMPARE(set.recNo(), 2);
    set.setFilter("n=5");
    set.setFiltered(true);
    QCOMPARE(grid.model()->rowCount(), 1);
    QCOMPARE(grid.currentIndex().row(), 0);
    set.close();
    QCOMPARE(grid.model()->rowCount(), 0);
}

void TestToolkit::questionBoxSpeaksRussianFromTheFirst()
{
    // The real box, not the test presenter: the first one shown in a run used to say "Yes"/"No".
    MessageBox::setPresenter({});
    QWidget owner;
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    for (int shown = 1; shown <= 2; ++shown) {
        QStringList texts;
        const bool showed = expectModal<QMessageBox>([&] { QVERIFY(!MessageBox::ask("Удалить?", "Удаление")); },
                                                      [&](QMessageBox* box) {
                                                          QCoreApplication::processEvents();
                                                          texts << box->button(QMessageBox::Yes)->text()
                                                                << box->button(QMessageBox::No)->text();
                                                          box->button(QMessageBox::No)->click();
                                                      });
        QVERIFY(showed);
        QCOMPARE(texts, QStringList({"Да", "Нет"}));
    }
}

// Qt's own dialogs in Russian whatever the desktop's language (the run's locale does not matter).
void TestToolkit::qtDialogsSpeakRussian()
{
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    QCOMPARE(files.labelText(QFileDialog::LookIn), QStringLiteral("Перейти к:"));
    QCOMPARE(files.labelText(QFileDialog::FileName), QStringLiteral("&Имя файла:"));
    QCOMPARE(files.labelText(QFileDialog::Accept), QStringLiteral("&Сохранить"));
    QCOMPARE(files.labelText(QFileDialog::Reject), QStringLiteral("Отмена"));

    MessageBox::setPresenter({});
    QStringList buttons;
    const bool showed = expectModal<QMessageBox>([] { MessageBox::stop("Ошибка открытия файла Microsoft Excel.", "Ошибка", "Файл: /x.xlsx"); },
                                                  [&](QMessageBox* box) {
                                                      for (QAbstractButton* button : box->buttons())
                                                          buttons << button->text();
                                                      box->button(QMessageBox::Ok)->click();
                                                  });
    QVERIFY(showed);
    QVERIFY2(buttons.contains(QStringLiteral("Показать подробности...")), qPrintable(buttons.join('|')));

    QPrinter printer;
    QCOMPARE(QPrintDialog(&printer).windowTitle(), QStringLiteral("Печать"));
}

// A date box as the forms make it; the clerk clicks into it (from another box) and types.
void TestToolkit::dateTypedAfterClick_data()
{
    QTest::addColumn<double>("clickAt");   // across the text: 0 its left edge, 1 its right edge
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("date");
    QTest::newRow("on the day") << 0.1 << "15.11.2026" << QDate(2026, 11, 15);
    QTest::newRow("on the month") << 0.45 << "15.11.2026" << QDate(2026, 11, 15);
    QTest::newRow("on the year") << 0.8 << "15.11.2026" << QDate(2026, 11, 15);
    QTest::newRow("right of the text") << 1.3 << "15.11.2026" << QDate(2026, 11, 15);
    QTest::newRow("single digits") << 0.45 << "5.3.2027" << QDate(2027, 3, 5);
    QTest::newRow("digits alone") << 0.8 << "01022025" << QDate(2025, 2, 1);
}

void TestToolkit::dateTypedAfterClick()
{
    QFETCH(double, clickAt);
    QFETCH(QString, typed);
    QFETCH(QDate, date);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit;
    auto* box = new QDateEdit(QDate(2024, 12, 10));
    box->setCalendarPopup(true);
    box->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    layout->addWidget(before);
    layout->addWidget(box);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    before->setFocus();
    auto* text = box->findChild<QLineEdit*>();
    QVERIFY(text);
    const auto at = [&](double share) {
        const int width = text->fontMetrics().horizontalAdvance(text->text());
        return QPoint(qMin(text->contentsRect().left() + 2 + int(share * width), text->width() - 2), text->height() / 2);
    };

    QTest::mouseClick(text, Qt::LeftButton, {}, at(clickAt));
    QVERIFY(box->hasFocus());
    QTest::keyClicks(box, typed);
    QCOMPARE(box->date(), date);

    // A click into the box that has the focus picks the part clicked: the month alone changes.
    QTest::mouseClick(text, Qt::LeftButton, {}, at(0.45));
    QTest::keyClicks(box, QStringLiteral("07"));
    QCOMPARE(box->date(), QDate(date.year(), 7, date.day()));
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
