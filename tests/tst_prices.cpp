#include "catalogs/norms_window.h"
#include "catalogs/operation_editor.h"
#include "catalogs/operation_types_window.h"
#include "catalogs/operations_window.h"
#include "catalogs/products_window.h"
#include "catalogs/price_rule.h"
#include "app/application.h"
#include "core/data_module.h"
#include "journal/entry_editor.h"
#include "journal/journal_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "toolkit/dataset_grid.h"
#include "toolkit/desktop.h"

#include <QLineEdit>
#include <QTemporaryDir>

namespace {

// Lets queued work (a re-read after a column change, a deferred message) run.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QString cellText(const DBGrid* grid, int row, const QString& field)
{
    return grid->model()->index(row, grid->columnOf(field)).data().toString();
}

QStringList marks(const Dataset* set)
{
    QStringList out;
    for (int row = 0; row < set->recordCount(); ++row)
        out << set->value(row, set->fieldIndex(QStringLiteral("marka"))).toString();
    return out;
}

// Key presses that type `text`, letters beyond ASCII included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void setCurrentCell(DBGrid* grid, int row, const QString& field)
{
    grid->setCurrentIndex(grid->model()->index(row, grid->columnOf(field)));
    settle();
}

// Types into the current cell of a grid, as a user does, and leaves the cell with `leave`.
void typeIntoCell(DBGrid* grid, const QString& text, Qt::Key leave = Qt::Key_Tab)
{
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    if (!editor) {
        grid->edit(grid->currentIndex());
        editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    }
    QVERIFY2(editor, "no cell editor");
    editor->selectAll();
    typeText(editor, text);
    QTest::keyClick(editor, leave);
    settle();
}

int normCount(int operationId)
{
    return TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.norm where o_id=%1").arg(operationId)).toInt();
}

} // namespace

// The operations price list, its editor, the pick for the entry editor, the export and the
// norms dialog.
class TestPrices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void priceRule_data();
    void priceRule();

    void browseListsOperationsWithNorms();
    void search_data();
    void search();
    void searchBoxKeys();
    void addOperation_data();
    void addOperation();
    void pickersFillTheEditor();
    void changeOperation_data();
    void changeOperation();
    void deleteOperation_data();
    void deleteOperation();
    void doubleClick_data();
    void doubleClick();
    void pickForEntryEditor_data();
    void pickForEntryEditor();
    void browseAfterPickKeepsSearch();
    void exportPriceList();
    void exportStopsWithoutWorkbook();
    void emptyListPicksAndDeletesNothing();

    void normsFollowTheOperation();
    void newNormIsStoredOnLeavingItsColumn_data();
    void newNormIsStoredOnLeavingItsColumn();
    void untouchedNewRowIsNotStored_data();
    void untouchedNewRowIsNotStored();
    void normInput_data();
    void normInput();
    void deleteKeepsTheLastNorm_data();
    void deleteKeepsTheLastNorm();
    void escStoresPendingCloseDoesNot_data();
    void escStoresPendingCloseDoesNot();

private:
    // ПР-1 / Резка blanks (norms 10 and 7), ПР-1 / Резка finished (12), АБ-2 / Сварка finished (5),
    // O'Neil / Сварка blanks (9).
    void seed();

    int p1 = 0, p2 = 0, p3 = 0;
    int cut = 0, weld = 0;
    int blanks = 0, finished = 0, ab = 0, oneil = 0;
    QTemporaryDir m_home;
};

void TestPrices::initTestCase()
{
    QVERIFY(m_home.isValid());
    useHomeFolder(m_home.path());
    TestDb::setUp();
    createForms();
    Form1->Timer1->stop();
}

void TestPrices::cleanupTestCase()
{
    destroyForms();
    TestDb::tearDown();
}

void TestPrices::init()
{
    TestDb::resetData();
    Form4->Tag = 0;
    Form4->Edit1->show();
    Form4->Edit1->clear();
    Form4->CheckBox1->setChecked(false);
    Form1->CBox1->setChecked(false);
    Form1->FShift = 1;
    seed();
}

void TestPrices::cleanup()
{
    DataModule6->Oper->close();
    DataModule6->Oper->setFiltered(false);
    Desktop::setOpener({});
}

void TestPrices::seed()
{
    p1 = Fixture::product(QStringLiteral("ПР-1"));
    p2 = Fixture::product(QStringLiteral("АБ-2"));
    p3 = Fixture::product(QStringLiteral("O'Neil"));
    cut = Fixture::operationType(QStringLiteral("Резка"));
    weld = Fixture::operationType(QStringLiteral("Сварка"));
    blanks = Fixture::operation(p1, cut, 1, 10);
    TestDb::exec(QStringLiteral("insert into accounts_dep.norm (o_id, norma, price, prize) values (%1, 5, 7, 3)").arg(blanks));
    finished = Fixture::operation(p1, cut, 0, 12);
    ab = Fixture::operation(p2, weld, 0, 5);
    oneil = Fixture::operation(p3, weld, 1, 9);
}

void TestPrices::priceRule_data()
{
    QTest::addColumn<double>("base");
    QTest::addColumn<bool>("dayOff");
    QTest::addColumn<int>("shift");
    QTest::addColumn<double>("price");
    QTest::newRow("shift 3, day off") << 10.0 << true << 3 << 24.0;
    QTest::newRow("shift 4, working day") << 10.0 << false << 4 << 15.0;
    QTest::newRow("shift 4, day off") << 10.0 << true << 4 << 30.0;
    QTest::newRow("shift 3, working day") << 10.0 << false << 3 << 12.0;
    QTest::newRow("shift 1, day off") << 10.0 << true << 1 << 20.0;
    QTest::newRow("shift 2, working day") << 7.5 << false << 2 << 7.5;
    QTest::newRow("unknown shift") << 10.0 << false << 5 << 10.0;
}

void TestPrices::priceRule()
{
    QFETCH(double, base);
    QFETCH(bool, dayOff);
    QFETCH(int, shift);
    QFETCH(double, price);
    QCOMPARE(operationPrice(base, dayOff, shift), price);
}

void TestPrices::browseListsOperationsWithNorms()
{
    TestDb::exec(QStringLiteral("delete from accounts_dep.norm where o_id=%1").arg(oneil));
    QStringList titles, rows;
    QStringList hidden;
    bool addVisible = false, deleteVisible = false;
    QString changeCaption;
    whenModal<TForm4>([&](TForm4* w) {
        const DBGrid* grid = w->DBGrid1;
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
            (grid->isColumnHidden(c) ? hidden : titles) << title;
        }
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            rows << QStringList{cellText(grid, r, "MARKA"), cellText(grid, r, "VID"), cellText(grid, r, "cena"),
                                cellText(grid, r, "nmn"), cellText(grid, r, "norma")}.join(" | ");
        addVisible = w->Button1->isVisible() && w->Button1->isDefault();
        deleteVisible = w->Button3->isVisible();
        changeCaption = w->Button2->text();
        w->Button4->click();
    });
    Form4->ShowBrowse();

    QCOMPARE(titles, (QStringList{"Марка", "Опреция", "Цена (min)", "Вид", "Нормы (шт.)"}));
    QCOMPARE(hidden, (QStringList{"id", "i_id", "oper_vid"}));
    QCOMPARE(rows, (QStringList{"АБ-2 | Сварка | 5,00 | Готовая продукция | 1",
                                "ПР-1 | Резка | 12,00 | Готовая продукция | 1",
                                "ПР-1 | Резка | 7,00 | Заготовки | 2"}));
    QVERIFY(addVisible);
    QVERIFY(deleteVisible);
    QCOMPARE(changeCaption, QStringLiteral("Изменить"));
    QVERIFY(!DataModule6->Oper->isOpen());
}

void TestPrices::search_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("prefix") << "ПР" << QStringList{"ПР-1", "ПР-1"};
    QTest::newRow("letter case ignored") << "пр-1" << QStringList{"ПР-1", "ПР-1"};
    QTest::newRow("inside the mark is no match") << "Б-2" << QStringList{};
    QTest::newRow("apostrophe") << "O'N" << QStringList{"O'Neil"};
    QTest::newRow("blanks show all") << "   " << QStringList{"O'Neil", "АБ-2", "ПР-1", "ПР-1"};
    QTest::newRow("trailing blank is part of the text") << "АБ " << QStringList{};
}

void TestPrices::search()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    MessageLog log;
    DataModule6->Oper->open();
    Form4->Edit1->setText(typed);
    QCOMPARE(marks(DataModule6->Oper), shown);
    QVERIFY(log.shown().isEmpty());
    Form4->Edit1->clear();
    QCOMPARE(DataModule6->Oper->recordCount(), 4);
}

void TestPrices::searchBoxKeys()
{
    QList<int> recNos;
    QString text;
    int cursor = -1;
    whenModal<TForm4>([&](TForm4* w) {
        Dataset* oper = DataModule6->Oper;
        QTest::keyClick(w->Edit1, Qt::Key_Down);
        QTest::keyClick(w->Edit1, Qt::Key_Down);
        recNos << oper->recNo();
        QTest::keyClick(w->Edit1, Qt::Key_Up);
        recNos << oper->recNo();
        typeText(w->Edit1, "ПР");
        recNos << oper->recNo();
        QTest::keyClick(w->Edit1, Qt::Key_Left);    // the caret keys do nothing here
        QTest::keyClick(w->Edit1, Qt::Key_Home);
        QTest::keyClick(w->Edit1, Qt::Key_Delete);
        QTest::keyClick(w->Edit1, Qt::Key_Backspace);
        text = w->Edit1->text();
        cursor = w->Edit1->cursorPosition();
        w->Button4->click();
    });
    Form4->ShowBrowse();
    QCOMPARE(recNos, (QList<int>{3, 2, 1}));
    QCOMPARE(text, QStringLiteral("П"));
    QCOMPARE(cursor, 1);
}

void TestPrices::addOperation_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("new operation") << "АБ-2" << "Резка" << 1 << "";
    QTest::newRow("same as an existing one") << "ПР-1" << "Резка" << 0 << "Операция с такими параметрами уже заведена!";
    QTest::newRow("no product") << "" << "Резка" << 0 << "Все поля должны быть заполнены!";
    QTest::newRow("blank type") << "АБ-2" << "  " << 0 << "Все поля должны быть заполнены!";
}

void TestPrices::addOperation()
{
    QFETCH(QString, product);
    QFETCH(QString, type);
    QFETCH(int, kind);
    QFETCH(QString, refusal);
    const int productId = product == "ПР-1" ? p1 : p2;
    const int typeId = type == "Резка" ? cut : weld;
    const int before = TestDb::scalar("select count(*) from accounts_dep.oper").toInt();

    MessageLog log;
    DataModule6->Oper->open();
    QString title, clearedMark;
    int clearedKind = -1;
    bool stayedOpen = false;
    whenModal<TForm10>([&](TForm10* w) {
        title = w->windowTitle();
        clearedMark = w->Edit1->text() + w->Edit2->text();
        clearedKind = w->ComboBox1->currentIndex();
        // what the two pickers leave behind
        w->Edit1->setText(product);
        w->FChosenProductId = productId;
        w->Edit2->setText(type);
        w->FChosenTypeId = typeId;
        w->ComboBox1->setCurrentIndex(kind);
        w->Button1->click();
        stayedOpen = w->isVisible();
        if (stayedOpen)
            w->Button2->click();
    });
    Form10->Edit1->setText("старое");
    Form10->ComboBox1->setCurrentIndex(1);
    Form4->Button1->click();

    QCOMPARE(title, QStringLiteral("Заведение новой цены за операцию"));
    QCOMPARE(clearedMark, QString());
    QCOMPARE(clearedKind, 0);
    QCOMPARE(Form10->Tag, 1);
    QCOMPARE(log.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QCOMPARE(stayedOpen, !refusal.isEmpty());
    const int after = TestDb::scalar("select count(*) from accounts_dep.oper").toInt();
    QCOMPARE(after, before + (refusal.isEmpty() ? 1 : 0));
    if (refusal.isEmpty()) {
        const QString stored = TestDb::scalar(QStringLiteral("select vid||'/'||naimen||'/'||i_id||'/'||cena_new from accounts_dep.oper "
                                                             "order by id desc limit 1")).toString();
        QCOMPARE(stored, QStringLiteral("%1/%2/%3/0").arg(typeId).arg(kind).arg(productId));
        QCOMPARE(DataModule6->Oper->recordCount(), 5);   // re-read: the new one is listed with its first norm
        QCOMPARE(DataModule6->Oper->recNo(), 1);
    }
}

void TestPrices::pickersFillTheEditor()
{
    QString mark, type;
    int productId = 0, typeId = 0;
    DataModule6->Oper->open();
    whenModal<TForm10>([&](TForm10* editor) {
        whenModal<TForm3>([](TForm3* products) {
            QVERIFY(DataModule6->Izdel->locate("marka", "АБ-2"));
            products->Button2->click();
        });
        editor->Button3->click();
        whenModal<TForm8>([](TForm8* types) {
            QVERIFY(DataModule6->Vid_oper->locate("vid", "Сварка"));
            types->Button2->click();
        });
        editor->Button4->click();
        mark = editor->Edit1->text();
        type = editor->Edit2->text();
        productId = editor->FChosenProductId;
        typeId = editor->FChosenTypeId;
        editor->Button2->click();
    });
    Form4->Button1->click();
    QCOMPARE(mark, QString("АБ-2"));
    QCOMPARE(type, QString("Сварка"));
    QCOMPARE(productId, p2);
    QCOMPARE(typeId, weld);
    QVERIFY(!DataModule6->Izdel->isOpen());
    QVERIFY(!DataModule6->Vid_oper->isOpen());
}

void TestPrices::changeOperation_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("otherProduct");
    QTest::addColumn<bool>("refused");
    QTest::newRow("unchanged") << 0 << false << false;
    QTest::newRow("into the blanks operation") << 1 << false << true;
    QTest::newRow("another product") << 0 << true << false;
}

void TestPrices::changeOperation()
{
    QFETCH(int, kind);
    QFETCH(bool, otherProduct);
    QFETCH(bool, refused);

    MessageLog log;
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", finished));
    QStringList shown;
    whenModal<TForm10>([&](TForm10* w) {
        shown << w->windowTitle() << w->Edit1->text() << w->Edit2->text() << QString::number(w->ComboBox1->currentIndex())
              << QString::number(w->FChosenProductId) << QString::number(w->FChosenTypeId);
        if (otherProduct) {
            w->Edit1->setText("АБ-2");
            w->FChosenProductId = p2;
        }
        w->ComboBox1->setCurrentIndex(kind);
        w->Button1->click();
        if (w->isVisible())
            w->Button2->click();
    });
    Form4->Button2->click();

    QCOMPARE(shown, (QStringList{"Изменение данных о цене за операцию", "ПР-1", "Резка", "0", QString::number(p1), QString::number(cut)}));
    QCOMPARE(Form10->Tag, 2);
    QCOMPARE(log.texts(), refused ? QStringList{"Операция с такими параметрами уже заведена!"} : QStringList());
    const QString stored = TestDb::scalar(QStringLiteral("select vid||'/'||naimen||'/'||i_id from accounts_dep.oper where id=%1").arg(finished)).toString();
    const int product = (otherProduct && !refused) ? p2 : p1;
    const int storedKind = refused ? 0 : kind;
    QCOMPARE(stored, QStringLiteral("%1/%2/%3").arg(cut).arg(storedKind).arg(product));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.oper").toInt(), 4);
}

void TestPrices::deleteOperation_data()
{
    // Entries of the operation (they drop out of every list when it goes); the answers to the
    // questions; the questions asked; whether the operation is deleted.
    QTest::addColumn<int>("entries");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("deleted");
    const QString plain = "Удалить операцию?";
    const QString used = "По операции есть записи в журнале (2 шт.), они больше не будут показываться. Удалить операцию?";
    QTest::newRow("yes") << 0 << QList<bool>{true} << QStringList{plain} << true;
    QTest::newRow("no") << 0 << QList<bool>{false} << QStringList{plain} << false;
    QTest::newRow("used by entries, yes, yes") << 2 << QList<bool>{true, true} << QStringList{plain, used} << true;
    QTest::newRow("used by entries, yes, no") << 2 << QList<bool>{true, false} << QStringList{plain, used} << false;
    QTest::newRow("used by entries, no") << 2 << QList<bool>{false} << QStringList{plain} << false;
}

void TestPrices::deleteOperation()
{
    QFETCH(int, entries);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, questions);
    QFETCH(bool, deleted);
    const int worker = Fixture::worker(QStringLiteral("Иванов"));
    for (int i = 0; i < entries; ++i)
        Fixture::entry({QDate(2024, 9, 2 + i), 1, worker, blanks, p1});
    Fixture::entry({QDate(2024, 9, 2), 1, worker, finished, p1});   // another operation's entry
    MessageLog log;
    for (bool a : answers)
        log.answer({a});
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", blanks));
    Form4->Button3->click();

    QCOMPARE(log.texts(), questions);
    for (const MessageBox::Shown& question : log.shown()) {
        QCOMPARE(question.caption, QStringLiteral("Удаление"));
        QCOMPARE(question.icon, MessageBox::Icon::Question);
    }
    QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.oper where id=%1").arg(blanks)).toInt(), deleted ? 0 : 1);
    QCOMPARE(normCount(blanks), 2);   // the norms stay
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), entries + 1);   // so do the entries
    QCOMPARE(oper->recordCount(), deleted ? 3 : 4);
    QCOMPARE(oper->recNo(), deleted ? 1 : 4);
}

void TestPrices::doubleClick_data()
{
    QTest::addColumn<bool>("prices");
    QTest::addColumn<bool>("selection");
    QTest::addColumn<QString>("opens");
    QTest::newRow("browse") << false << false << "editor";
    QTest::newRow("browse with prices") << true << false << "norms";
    QTest::newRow("selection") << false << true << "pick";
    QTest::newRow("selection with prices") << true << true << "pick";
}

void TestPrices::doubleClick()
{
    QFETCH(bool, prices);
    QFETCH(bool, selection);
    QFETCH(QString, opens);

    Form4->CheckBox1->setChecked(prices);
    Form11->FOperationId = 0;
    QString opened;
    QStringList normRows;
    whenModal<TForm4>([&](TForm4* w) {
        if (opens == "editor")
            whenModal<TForm10>([&](TForm10* e) { opened = "editor"; e->Button2->click(); });
        if (opens == "norms")
            whenModal<TForm22>([&](TForm22* n) {
                opened = "norms";
                for (int r = 0; r < n->DBGrid1->model()->rowCount(); ++r)
                    normRows << cellText(n->DBGrid1, r, "norma") + "/" + cellText(n->DBGrid1, r, "price") + "/" + cellText(n->DBGrid1, r, "prize");
                n->close();
            });
        DataModule6->Oper->locate("id", blanks);
        const QRect cell = w->DBGrid1->visualRect(w->DBGrid1->model()->index(DataModule6->Oper->currentRow(), 0));
        QTest::mouseClick(w->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());   // the press a double click follows
        QTest::mouseDClick(w->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        if (w->isVisible())
            w->Button4->click();
    });
    if (selection) {
        DataModule6->Oper->open();
        Form11->pickOperation();
    } else {
        Form4->ShowBrowse();
    }
    settle();

    if (opens == "pick") {
        QCOMPARE(Form11->FOperationId, blanks);
        QVERIFY(opened.isEmpty());
    } else {
        QCOMPARE(opened, opens);
        QCOMPARE(Form11->FOperationId, 0);
    }
    if (opens == "norms")
        QCOMPARE(normRows, (QStringList{"1/10,00/0", "5/7,00/3"}));
}

void TestPrices::pickForEntryEditor_data()
{
    QTest::addColumn<bool>("dayOff");
    QTest::addColumn<int>("shift");
    QTest::addColumn<double>("price");
    QTest::newRow("shift 3, day off") << true << 3 << 16.8;
    QTest::newRow("shift 4, working day") << false << 4 << 10.5;
    QTest::newRow("shift 1") << false << 1 << 7.0;
}

void TestPrices::pickForEntryEditor()
{
    QFETCH(bool, dayOff);
    QFETCH(int, shift);
    QFETCH(double, price);
    Form1->CBox1->setChecked(dayOff);
    Form1->FShift = shift;
    Dataset* oper = DataModule6->Oper;
    oper->open();
    Form4->Edit1->setText("ПР");   // left from an earlier search
    QVERIFY(oper->locate("id", blanks));
    QStringList modeState;
    whenModal<TForm4>([&](TForm4* w) {
        modeState << w->Button2->text() << QString::number(w->Button2->isDefault()) << QString::number(w->Button1->isVisible())
                  << QString::number(w->Button3->isVisible()) << QString::number(w->Edit1->isVisible()) << w->Edit1->text()
                  << QString::number(oper->recordCount());
        w->Button2->click();
    });
    Form11->pickOperation();

    QCOMPARE(modeState, (QStringList{"Выбрать", "1", "0", "0", "1", "", "4"}));
    QCOMPARE(Form4->Tag, 1);
    QCOMPARE(Form11->FProductId, p1);
    QCOMPARE(Form11->FOperationId, blanks);
    QCOMPARE(Form11->FPrice, price);
    QCOMPARE(Form11->Edit2->text(), QStringLiteral("ПР-1; Резка; Заготовки"));
    // afterwards: Oper open on the picked row, unfiltered, the search box emptied
    QVERIFY(oper->isOpen());
    QCOMPARE(oper->value("id").toInt(), blanks);
    QVERIFY(!oper->filtered());
    QVERIFY(Form4->Edit1->text().isEmpty());
    QVERIFY(!Form4->Button2->isDefault());
}

void TestPrices::browseAfterPickKeepsSearch()
{
    DataModule6->Oper->open();
    whenModal<TForm4>([&](TForm4* w) {
        w->Edit1->setText("ПР");
        w->Button2->click();
    });
    Form11->pickOperation();
    DataModule6->Oper->close();

    bool searchShown = false;
    QString placeholder;
    QStringList marks;
    whenModal<TForm4>([&](TForm4* w) {
        searchShown = w->Edit1->isVisible();
        placeholder = w->Edit1->placeholderText();
        w->Edit1->setText("аб");
        for (int r = 0; r < w->DBGrid1->model()->rowCount(); ++r)
            marks << cellText(w->DBGrid1, r, "MARKA");
        w->Button4->click();
    });
    Form4->ShowBrowse();

    QVERIFY(searchShown);
    QCOMPARE(placeholder, QStringLiteral("Поиск по марке"));
    QCOMPARE(marks, QStringList{"АБ-2"});
}

void TestPrices::exportPriceList()
{
    TestDb::exec(QStringLiteral("delete from accounts_dep.norm where o_id=%1").arg(oneil));
    TestDb::exec(QStringLiteral("update accounts_dep.oper set cena_new=12.75 where id=%1").arg(finished));
    QStringList opened;
    Desktop::setOpener([&](const QString& path) { opened << path; return true; });
    MessageLog log;
    DataModule6->Oper->open();
    Form4->Edit1->setText("ПР");   // the export ignores the search
    Form4->Button5->click();

    QVERIFY(log.shown().isEmpty());
    QCOMPARE(opened.size(), 1);
    QVERIFY(!Form4->XLS_Rep->isOpen());
    const XlsxSheet sheet = XlsxSheet::read(opened.first());
    QStringList rows;
    for (int row = 1; sheet.has(1, row); ++row) {
        QStringList cells;
        for (int column = 1; column <= 4; ++column)
            cells << sheet.text(column, row) + (sheet.cell(column, row).number ? "#" : "");
        rows << cells.join(" | ");
    }
    QCOMPARE(rows, (QStringList{"Марка | Операция | Цена | Вид",
                                "O'Neil | Сварка | 9# | Заготовки",
                                "АБ-2 | Сварка | 5# | Готовая продукция",
                                "ПР-1 | Резка | 12.75# | Готовая продукция",
                                "ПР-1 | Резка | 10# | Заготовки"}));
}

void TestPrices::exportStopsWithoutWorkbook()
{
    QDir(m_home.filePath(QStringLiteral("Documents"))).removeRecursively();
    QFile blocker(m_home.filePath(QStringLiteral("Documents")));   // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QStringList opened;
    Desktop::setOpener([&](const QString& path) { opened << path; return true; });
    MessageLog log;
    Form4->Button5->click();
    QFile::remove(blocker.fileName());

    QCOMPARE(log.texts(), QStringList{"Ошибка открытия файла Microsoft Excel."});
    QVERIFY(opened.isEmpty());
    QVERIFY(!Form4->XLS_Rep->isOpen());
    QVERIFY(!QApplication::overrideCursor());
}

void TestPrices::emptyListPicksAndDeletesNothing()
{
    TestDb::exec("delete from accounts_dep.norm");
    Form11->FOperationId = -7;
    Form11->Edit2->setText("прежняя");
    MessageLog log;
    DataModule6->Oper->open();
    QVERIFY(DataModule6->Oper->isEmpty());
    Form4->Button3->click();
    Form4->Tag = 1;
    Form4->Button2->click();

    QVERIFY(log.shown().isEmpty());
    QCOMPARE(Form11->FOperationId, -7);
    QCOMPARE(Form11->Edit2->text(), QStringLiteral("прежняя"));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.oper").toInt(), 4);
}

// The dialog reads its norms when it opens: each opening shows the norms of the operation
// current at that moment, and none of the one shown before.
void TestPrices::normsFollowTheOperation()
{
    Dataset* oper = DataModule6->Oper;
    oper->open();
    const QList<QPair<int, QStringList>> openings{
        {blanks, {"1/10,00/0", "5/7,00/3"}},
        {ab, {"1/5,00/0"}},
        {finished, {"1/12,00/0"}},
        {blanks, {"1/10,00/0", "5/7,00/3"}},
    };
    for (const auto& [operation, expected] : openings) {
        QVERIFY(oper->locate("id", operation));
        QStringList rows;
        whenModal<TForm22>([&](TForm22* w) {
            for (int r = 0; r < w->DBGrid1->model()->rowCount(); ++r)
                rows << cellText(w->DBGrid1, r, "norma") + "/" + cellText(w->DBGrid1, r, "price") + "/" + cellText(w->DBGrid1, r, "prize");
            w->close();
        });
        Form22->ShowNorms();
        QCOMPARE(rows, expected);
    }
}

void TestPrices::newNormIsStoredOnLeavingItsColumn_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Down past the last row") << false;
    QTest::newRow("Добавить") << true;
}

void TestPrices::newNormIsStoredOnLeavingItsColumn()
{
    QFETCH(bool, byButton);
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", blanks));
    const int recNo = oper->recNo();
    QStringList afterNorma, afterPrice;
    QString currentField;
    whenModal<TForm22>([&](TForm22* w) {
        DBGrid* grid = w->DBGrid1;
        setCurrentCell(grid, 1, "norma");
        if (byButton) {
            QCOMPARE(w->Button3->text(), QStringLiteral("Добавить"));
            QVERIFY(w->Button3->isVisible());
            w->Button3->click();
            QVERIFY(grid->indexWidget(grid->currentIndex()));   // its first cell open for typing
        } else {
            QTest::keyClick(grid, Qt::Key_Down);   // past the last row: a new norm
        }
        settle();
        typeIntoCell(grid, "3");
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            afterNorma << cellText(grid, r, "norma");
        currentField = w->norm->fieldNames().value(w->norm->fieldIndex(grid->datasetModel()->columns().at(grid->currentIndex().column()).field));
        typeIntoCell(grid, "2,5");
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            afterPrice << cellText(grid, r, "norma") + "/" + cellText(grid, r, "price");
        w->Button1->click();
    });
    Form22->ShowNorms();

    QCOMPARE(afterNorma, (QStringList{"1", "3", "5"}));   // stored and sorted at once
    QCOMPARE(currentField, QStringLiteral("price"));
    QCOMPARE(afterPrice, (QStringList{"1/10,00", "3/2,50", "5/7,00"}));
    QCOMPARE(TestDb::scalar(QStringLiteral("select o_id||'/'||price from accounts_dep.norm where norma=3")).toString(),
             QStringLiteral("%1/2.5").arg(blanks));
    QCOMPARE(normCount(blanks), 3);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.norm where o_id is null").toInt(), 0);
    // the list shows the new lowest price and count on the same row
    QCOMPARE(oper->recNo(), recNo);
    QCOMPARE(oper->value("id").toInt(), blanks);
    QCOMPARE(oper->value("cena").toDouble(), 2.5);
    QCOMPARE(oper->value("norma").toInt(), 3);
}

void TestPrices::untouchedNewRowIsNotStored_data()
{
    QTest::addColumn<bool>("leaveByRow");
    QTest::newRow("back to the row above") << true;
    QTest::newRow("saved at once") << false;
}

void TestPrices::untouchedNewRowIsNotStored()
{
    QFETCH(bool, leaveByRow);
    MessageLog log;
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", ab));
    int rows = -1;
    whenModal<TForm22>([&](TForm22* w) {
        DBGrid* grid = w->DBGrid1;
        setCurrentCell(grid, 0, "norma");
        QTest::keyClick(grid, Qt::Key_Insert);
        settle();
        typeIntoCell(grid, QString());   // through the new row's cells without typing
        typeIntoCell(grid, QString());
        if (leaveByRow) {
            setCurrentCell(grid, 0, "prize");
            rows = grid->model()->rowCount();
        }
        w->Button1->click();
    });
    Form22->ShowNorms();

    QVERIFY(log.shown().isEmpty());
    if (leaveByRow)
        QCOMPARE(rows, 1);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.norm").toInt(), 5);
    QCOMPARE(normCount(ab), 1);
}

void TestPrices::normInput_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");    // the column's value afterwards
    QTest::addColumn<QString>("refusal");

    QTest::newRow("price with a comma") << "price" << "12,5" << "12.5" << "";
    QTest::newRow("price with a point") << "price" << "0.125" << "0.125" << "";
    QTest::newRow("price in words") << "price" << "abc" << "7" << "Цена должна быть числом, например 12,5.";
    QTest::newRow("price with two commas") << "price" << "1,2,3" << "7" << "Цена должна быть числом, например 12,5.";
    QTest::newRow("norm figure") << "norma" << " 8 " << "8" << "";
    QTest::newRow("fractional norm figure") << "norma" << "1,5" << "5" << "Норматив должен быть целым числом.";
    QTest::newRow("bonus in words") << "prize" << "x" << "3" << "Премия должна быть целым числом процентов.";
}

void TestPrices::normInput()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, refusal);

    MessageLog log;
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", blanks));
    bool pending = true, stillOpen = false;
    whenModal<TForm22>([&](TForm22* w) {
        setCurrentCell(w->DBGrid1, 1, field);   // the norm 5 / 7 / 3
        typeIntoCell(w->DBGrid1, typed);
        pending = w->norm->modified();
        stillOpen = w->isVisible();
        w->close();
    });
    Form22->ShowNorms();

    QCOMPARE(log.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QVERIFY(!pending);
    QVERIFY(stillOpen);
    const QString value = TestDb::scalar(QStringLiteral("select %1 from accounts_dep.norm where o_id=%2 and id<>(select min(id) from accounts_dep.norm where o_id=%2)")
                                             .arg(field).arg(blanks)).toString();
    QCOMPARE(value, stored);
}

void TestPrices::deleteKeepsTheLastNorm_data()
{
    QTest::addColumn<int>("extraNorms");
    QTest::addColumn<int>("left");
    QTest::newRow("single norm") << 0 << 1;
    QTest::newRow("two norms") << 1 << 1;
    QTest::newRow("three norms") << 2 << 2;
}

void TestPrices::deleteKeepsTheLastNorm()
{
    QFETCH(int, extraNorms);
    QFETCH(int, left);
    for (int i = 0; i < extraNorms; ++i)
        TestDb::exec(QStringLiteral("insert into accounts_dep.norm (o_id, norma, price, prize) values (%1, %2, 4, 0)").arg(ab).arg(10 + i));
    MessageLog log;
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", ab));
    int shown = -1;
    whenModal<TForm22>([&](TForm22* w) {
        setCurrentCell(w->DBGrid1, 0, "price");
        w->Button2->click();
        settle();
        shown = w->DBGrid1->model()->rowCount();
        w->Button1->click();
    });
    Form22->ShowNorms();

    QVERIFY(log.shown().isEmpty());
    QCOMPARE(normCount(ab), left);
    QCOMPARE(shown, left);
    QCOMPARE(oper->value("norma").toInt(), left);
}

void TestPrices::escStoresPendingCloseDoesNot_data()
{
    QTest::addColumn<bool>("newRow");
    QTest::addColumn<bool>("esc");
    QTest::addColumn<bool>("inOpenCell");   // typed into the cell's editor, which is still open
    QTest::newRow("changed norm, Esc") << false << true << false;
    QTest::newRow("changed norm, title-bar close") << false << false << false;
    QTest::newRow("new norm, Esc") << true << true << false;
    QTest::newRow("new norm, title-bar close") << true << false << false;
    QTest::newRow("typed in the open cell, Esc") << false << true << true;
    QTest::newRow("new norm typed in the open cell, Esc") << true << true << true;
    QTest::newRow("typed in the open cell, title-bar close") << false << false << true;
}

void TestPrices::escStoresPendingCloseDoesNot()
{
    QFETCH(bool, newRow);
    QFETCH(bool, esc);
    QFETCH(bool, inOpenCell);
    Dataset* oper = DataModule6->Oper;
    oper->open();
    QVERIFY(oper->locate("id", ab));
    bool closed = false;
    whenModal<TForm22>([&](TForm22* w) {
        if (newRow) {
            QTest::keyClick(w->DBGrid1, Qt::Key_Insert);
            settle();
        }
        QWidget* target = w;
        if (inOpenCell) {
            setCurrentCell(w->DBGrid1, w->DBGrid1->currentIndex().row(), "price");
            w->DBGrid1->edit(w->DBGrid1->currentIndex());
            auto* editor = qobject_cast<QLineEdit*>(w->DBGrid1->indexWidget(w->DBGrid1->currentIndex()));
            QVERIFY2(editor, "no cell editor");
            editor->selectAll();
            typeText(editor, "4,5");
            target = editor;
        } else {
            // a value the grid has taken but not stored yet, as after clicking away from the cell
            QAbstractItemModel* model = w->DBGrid1->model();
            model->setData(model->index(w->DBGrid1->currentIndex().row(), w->DBGrid1->columnOf("price")), 4.5);
        }
        if (esc) {
            QTest::keyClick(target, Qt::Key_Escape);
            settle();
        } else {
            w->close();
        }
        closed = !w->isVisible();
        if (!closed)
            w->close();
    });
    Form22->ShowNorms();
    QVERIFY(closed);

    const QString prices = TestDb::scalar(QStringLiteral("select string_agg(price::text, ' ' order by id) from accounts_dep.norm where o_id=%1").arg(ab)).toString();
    QString expected = esc ? (newRow ? "5 4.5" : "4.5") : "5";
    QCOMPARE(prices, expected);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.norm").toInt(), 5 + (esc && newRow ? 1 : 0));
    QCOMPARE(oper->value("cena").toDouble(), esc ? 4.5 : 5.0);   // re-read only when saved
}

QTEST_MAIN(TestPrices)
#include "tst_prices.moc"
