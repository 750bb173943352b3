#include "catalogs/operation_editor.h"
#include "catalogs/operation_type_editor.h"
#include "catalogs/operation_types_window.h"
#include "catalogs/product_editor.h"
#include "catalogs/product_statements.h"
#include "catalogs/products_window.h"
#include "catalogs/worker_editor.h"
#include "catalogs/workers_window.h"
#include "core/data_module.h"
#include "journal/entry_editor.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "toolkit/clock.h"

#include <QWheelEvent>

namespace {

// Types text key by key, Cyrillic included (QTest::keyClicks knows Latin-1 only).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

QStringList shown(Dataset* set, const QString& field)
{
    QStringList out;
    const int column = set->fieldIndex(field);
    for (int row = 0; row < set->recordCount(); ++row)
        out << set->value(row, column).toString();
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList column(const QString& statement)
{
    QStringList out;
    const QString joined = TestDb::scalar("select string_agg(v, chr(31) order by v) from (" + statement + ") t(v)").toString();
    return joined.isEmpty() ? out : joined.split(QChar(31));
}

// Acts on the next modal window of type W; whatever the action leaves open is cancelled, so a
// failed check inside never leaves the test waiting.
template <class W>
void inModal(std::function<void(W*)> action)
{
    whenModal<W>([action](W* w) {
        action(w);
        if (w->isVisible())
            w->reject();
    });
}

void wheel(QWidget* target, int delta)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    // As from the mouse: only such wheel events travel on to the parents.
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(target, &e);
}

// The three lists seen alike: their window, data, search field, openers and what a pick hands back.
struct ListCase {
    QDialog* window;
    Dataset* data;
    QString field;
    std::function<void()> showBrowse;
    std::function<void()> showSelect;
    std::function<int(const QString&)> add;
    std::function<QString()> handedName;
    std::function<int()> handedId;
    std::function<void(const QString&, int)> setHanded;

    QLineEdit* search() const { return window->findChild<QLineEdit*>("Edit1"); }
    QPushButton* button(int n) const { return window->findChild<QPushButton*>(QString("Button%1").arg(n)); }
    QTableView* grid() const { return window->findChild<QTableView*>("DBGrid1"); }
    int tag() const
    {
        if (window == Form5) return Form5->Tag;
        if (window == Form3) return Form3->Tag;
        return Form8->Tag;
    }
};

ListCase listCase(const QString& name)
{
    if (name == "workers")
        return {Form5, DataModule6->Workers, "fio", [] { Form5->ShowBrowse(); }, [] { Form11->Button3Click(); },
                [](const QString& s) { return Fixture::worker(s); }, [] { return Form11->Edit1->text(); },
                [] { return int(Form11->FWorkerId); },
                [](const QString& s, int id) { Form11->Edit1->setText(s); Form11->FWorkerId = id; }};
    if (name == "products")
        return {Form3, DataModule6->Izdel, "marka", [] { Form3->ShowBrowse(); }, [] { Form3->ShowSelect(); },
                [](const QString& s) { return Fixture::product(s); }, [] { return Form10->Edit1->text(); },
                [] { return int(Form10->FChosenProductId); },
                [](const QString& s, int id) { Form10->Edit1->setText(s); Form10->FChosenProductId = id; }};
    return {Form8, DataModule6->Vid_oper, "vid", [] { Form8->ShowBrowse(); }, [] { Form8->ShowSelect(); },
            [](const QString& s) { return Fixture::operationType(s); }, [] { return Form10->Edit2->text(); },
            [] { return int(Form10->FChosenTypeId); },
            [](const QString& s, int id) { Form10->Edit2->setText(s); Form10->FChosenTypeId = id; }};
}

const QStringList Lists{"workers", "products", "types"};

// As the legacy import writes a product: into accounts_dep.izdel alone, with its old id.
void insertImportedProduct(int id, const QString& mark)
{
    EXEC_SQL(QString("insert into accounts_dep.izdel (id, marka, nom, massa) values (%1, '%2', 'Старые изделия', 2)").arg(id).arg(mark));
}

} // namespace

class TestCatalogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // plain rules
    void entriesBound_data();
    void entriesBound();
    void massaBoxText_data();
    void massaBoxText();
    void numberBox_data();
    void numberBox();
    void numberBoxTakesTypedKeys();
    void textBoxesHoldNoMoreThanTheirColumn_data();
    void textBoxesHoldNoMoreThanTheirColumn();

    // search boxes
    void search_data();
    void search();
    void searchKeys_data();
    void searchKeys();
    void searchLeftFromSelection_data();
    void searchLeftFromSelection();

    // selection mode
    void pick_data();
    void pick();
    void modesSwitchButtons_data();
    void modesSwitchButtons();

    // workers
    void workerAdd_data();
    void workerAdd();
    void workerEmptyName();
    void workerChangeKeepsRowNumber();
    void workerDelete_data();
    void workerDelete();
    void workerInJournal_data();
    void workerInJournal();
    void workerLookupsKeepChoice();
    void workerWheelStepsFocusedBox();

    // operation types
    void typeSave_data();
    void typeSave();
    void typeDelete_data();
    void typeDelete();

    // products
    void productDelete_data();
    void productDelete();
    void productSave_data();
    void productSave();
    void productMassaRoundTrip_data();
    void productMassaRoundTrip();
    void productAddKeepsRowAndClass();
    void importedProductKeepsItsId();
    void importedProductChangedAndDeleted();
    void productGoneBeforeChange();
    void productDeleteTakesItsHours_data();
    void productDeleteTakesItsHours();
    void productDeleteRacingASave_data();
    void productDeleteRacingASave();
    void productChangeShowsClass();

private:
    void createWindows();
    void deleteWindows();
};

void TestCatalogs::initTestCase()
{
    TestDb::setUp();
}

void TestCatalogs::cleanupTestCase()
{
    TestDb::tearDown();
}

void TestCatalogs::createWindows()
{
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form5 = new TForm5;
    Form7 = new TForm7;
    Form8 = new TForm8;
    Form9 = new TForm9;
    Form10 = new TForm10;
    Form11 = new TForm11;
}

void TestCatalogs::deleteWindows()
{
    for (QWidget* w : std::initializer_list<QWidget*>{Form2, Form3, Form5, Form7, Form8, Form9, Form10, Form11})
        delete w;
}

void TestCatalogs::init()
{
    TestDb::resetData();
    for (Dataset* set : {DataModule6->Workers, DataModule6->Izdel, DataModule6->Vid_oper})
        set->setFiltered(false);
    DataModule6->DecimalDelimiter = ".";
    Clock::setToday(QDate(2024, 9, 16));
    createWindows();
}

void TestCatalogs::cleanup()
{
    deleteWindows();
    Clock::setToday(QDate());
}

// ---------------------------------------------------------------- plain rules

void TestCatalogs::entriesBound_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("bound");
    QTest::newRow("September") << QDate(2023, 9, 7) << QDate(2000, 8, 1);
    QTest::newRow("January goes back to December") << QDate(2024, 1, 15) << QDate(2000, 12, 1);
    QTest::newRow("February") << QDate(2024, 2, 29) << QDate(2000, 1, 1);
    QTest::newRow("December") << QDate(2024, 12, 31) << QDate(2000, 11, 1);
}

void TestCatalogs::entriesBound()
{
    QFETCH(QDate, today);
    QFETCH(QDate, bound);
    QCOMPARE(productEntriesBound(today), bound);
}

void TestCatalogs::massaBoxText_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << QVariant(5.0) << "5";
    QTest::newRow("fraction") << QVariant(1.25) << "1.25";
    QTest::newRow("digit text keeps its digits") << QVariant("12.345000") << "12.345";
    QTest::newRow("whole digit text") << QVariant("40.000000") << "40";
    QTest::newRow("none") << QVariant() << "";
}

void TestCatalogs::massaBoxText()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, text);
    QCOMPARE(::massaBoxText(stored), text);
}

void TestCatalogs::numberBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("digits") << "120" << true << 120.0;
    QTest::newRow("comma") << "1,5" << true << 1.5;
    QTest::newRow("point") << "2.25" << true << 2.25;
    QTest::newRow("blanks around") << " 7 " << true << 7.0;
    QTest::newRow("separator first") << ",5" << true << 0.5;
    QTest::newRow("sign") << "-5" << false << 0.0;
    QTest::newRow("exponent") << "1e5" << false << 0.0;
    QTest::newRow("two separators") << "1,2,3" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("blank inside") << "1 5" << false << 0.0;
    QTest::newRow("statement pasted") << "7); delete from izdel; --" << false << 0.0;
}

void TestCatalogs::numberBox()
{
    QFETCH(QString, typed);
    QFETCH(bool, number);
    QFETCH(double, value);
    // The box shows what was typed or pasted, as it stands.
    Form7->Edit2->clear();
    Form7->Edit2->insert(typed);
    QCOMPARE(Form7->Edit2->text(), typed);
    const std::optional<double> read = numberBoxValue(typed);
    QCOMPARE(read.has_value(), number);
    if (number)
        QCOMPARE(*read, value);
}

// Typed keys are filtered as the box is filled: digits pass, a comma goes in as a point, the rest
// is dropped; what the box then holds is stored.
void TestCatalogs::numberBoxTakesTypedKeys()
{
    const int boxes = Fixture::classItem("Ящики");
    Fixture::classItem("Поддоны");   // listed first
    MessageLog log;
    QString shown;
    inModal<TForm3>([&](TForm3* w) {
        inModal<TForm7>([&](TForm7* editor) {
            editor->Edit1->setText("КР-2");
            editor->Edit2->clear();
            typeText(editor->Edit2, "1a,5");
            shown = editor->Edit2->text();
            QTest::keyClick(editor->Edit2, Qt::Key_Backspace);
            typeText(editor->Edit2, "7ж");
            editor->cb_item->setCurrentIndex(1);
            editor->Button1->click();
        });
        w->Button1->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(shown, QString("1.5"));
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(TestDb::scalar(QString("select massa from cmn_gds_and_srv.gds_and_srv where s_caption='КР-2' and id_class_item=%1")
                                .arg(boxes))
                 .toDouble(),
             1.7);
}

void TestCatalogs::textBoxesHoldNoMoreThanTheirColumn_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("column");   // schema.table.column
    QTest::newRow("product mark") << "Form7.Edit1" << "cmn_gds_and_srv.gds_and_srv.s_caption";
    QTest::newRow("worker name") << "Form2.Edit1" << "accounts_dep.person.fio";
    QTest::newRow("operation type") << "Form9.Edit1" << "accounts_dep.vid_oper.vid";
}

void TestCatalogs::textBoxesHoldNoMoreThanTheirColumn()
{
    QFETCH(QString, box);
    QFETCH(QString, column);
    const QMap<QString, QWidget*> windows{{"Form7", Form7}, {"Form2", Form2}, {"Form9", Form9}};
    auto* edit = windows.value(box.section('.', 0, 0))->findChild<QLineEdit*>(box.section('.', 1));
    QVERIFY(edit);
    const int length = TestDb::scalar(QString("select character_maximum_length from information_schema.columns "
                                              "where table_schema='%1' and table_name='%2' and column_name='%3'")
                                          .arg(column.section('.', 0, 0), column.section('.', 1, 1), column.section('.', 2)))
                           .toInt();
    QVERIFY(length > 0);
    QCOMPARE(edit->maxLength(), length);
    // A longer paste is held to the column: what the box shows is what will be stored.
    edit->clear();
    edit->insert(QString(1000, QChar(0x0416)));
    QCOMPARE(edit->text().size(), length);
}

// ---------------------------------------------------------------- search boxes

void TestCatalogs::search_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("rows");
    for (const QString& list : Lists) {
        QTest::addRow("%s: lower case", qPrintable(list)) << list << "ив" << QStringList{"Иванов", "иволгин"};
        QTest::addRow("%s: upper case", qPrintable(list)) << list << "ИВО" << QStringList{"иволгин"};
        QTest::addRow("%s: apostrophe", qPrintable(list)) << list << "O'b" << QStringList{"O'Brien"};
        QTest::addRow("%s: nothing matches", qPrintable(list)) << list << "Я" << QStringList{};
        QTest::addRow("%s: percent is a character", qPrintable(list)) << list << "%" << QStringList{"%Процент"};
        QTest::addRow("%s: underscore is a character", qPrintable(list)) << list << "_" << QStringList{"_Черта"};
        QTest::addRow("%s: asterisk is a character", qPrintable(list)) << list << "*" << QStringList{"*Звезда"};
        QTest::addRow("%s: quote first", qPrintable(list)) << list << "'" << QStringList{"'Кавычка"};
        QTest::addRow("%s: backslash", qPrintable(list)) << list << "\\" << QStringList{"\\Черта"};
    }
}

void TestCatalogs::search()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QStringList, rows);
    const ListCase c = listCase(list);
    const QStringList all{"O'Brien", "Иванов", "иволгин", "Петров", "%Процент", "_Черта", "*Звезда", "'Кавычка", "\\Черта"};
    for (const QString& name : all)
        c.add(name);
    MessageLog log;
    QStringList filtered, emptied;
    inModal<QDialog>([&](QDialog*) {
        typeText(c.search(), typed);
        filtered = shown(c.data, c.field);
        while (!c.search()->text().isEmpty())
            QTest::keyClick(c.search(), Qt::Key_Backspace);
        emptied = shown(c.data, c.field);
    });
    c.showSelect();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(sorted(filtered), sorted(rows));
    QCOMPARE(sorted(emptied), sorted(all));
}

void TestCatalogs::searchKeys_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("afterLeftKey");
    // Workers and operation types take every key but typing for the search; products only Up and Down.
    QTest::newRow("workers") << "workers" << "Пеа";
    QTest::newRow("products") << "products" << "Пае";
    QTest::newRow("types") << "types" << "Пеа";
}

void TestCatalogs::searchKeys()
{
    QFETCH(QString, list);
    QFETCH(QString, afterLeftKey);
    const ListCase c = listCase(list);
    for (const char* name : {"Павлов", "Панов", "Петров", "Пеньков", "Сидоров"})
        c.add(name);
    bool focused = false;
    int afterDown = 0, afterSecondDown = 0, afterUp = 0;
    QString text;
    inModal<QDialog>([&](QDialog* dialog) {
        // The search box gets the focus when the window becomes active.
        focused = QTest::qWaitForWindowActive(dialog) && c.search()->hasFocus();
        typeText(c.search(), "Пе");
        QTest::keyClick(c.search(), Qt::Key_Down);
        afterDown = c.data->recNo();
        QTest::keyClick(c.search(), Qt::Key_Down);
        afterSecondDown = c.data->recNo();
        QTest::keyClick(c.search(), Qt::Key_Up);
        afterUp = c.data->recNo();
        focused = focused && c.search()->hasFocus();
        QTest::keyClick(c.search(), Qt::Key_Left);
        typeText(c.search(), "а");
        text = c.search()->text();
    });
    c.showSelect();
    QVERIFY(focused);
    QCOMPARE(afterDown, 2);
    QCOMPARE(afterSecondDown, 2);   // the last of the two "Пе" rows
    QCOMPARE(afterUp, 1);
    QCOMPARE(text, afterLeftKey);
}

void TestCatalogs::searchLeftFromSelection_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<int>("rowsAtBrowse");
    QTest::newRow("workers keep the search") << "workers" << "пет" << 1;
    QTest::newRow("products show all") << "products" << "" << 3;
    QTest::newRow("types show all") << "types" << "" << 3;
}

void TestCatalogs::searchLeftFromSelection()
{
    QFETCH(QString, list);
    QFETCH(QString, searchText);
    QFETCH(int, rowsAtBrowse);
    const ListCase c = listCase(list);
    for (const char* name : {"Петров", "Сидоров", "Иванов"})
        c.add(name);
    inModal<QDialog>([&](QDialog*) {
        typeText(c.search(), "пет");
        QTest::keyClick(c.search(), Qt::Key_Escape);
    });
    c.showSelect();

    bool visible = false;
    int rows = 0;
    QString text;
    inModal<QDialog>([&](QDialog*) {
        visible = c.search()->isVisible();
        rows = c.data->recordCount();
        text = c.search()->text();
    });
    c.showBrowse();
    QVERIFY(visible);   // the box always agrees with the rows shown
    QCOMPARE(rows, rowsAtBrowse);
    QCOMPARE(text, searchText);
}

// ---------------------------------------------------------------- selection mode

void TestCatalogs::pick_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("handsBack");
    for (const QString& list : Lists) {
        QTest::addRow("%s: Enter in the search box", qPrintable(list)) << list << "enter" << true;
        QTest::addRow("%s: double click", qPrintable(list)) << list << "double click" << true;
        QTest::addRow("%s: Esc", qPrintable(list)) << list << "escape" << false;
        QTest::addRow("%s: Выход", qPrintable(list)) << list << "exit" << false;
        QTest::addRow("%s: empty list", qPrintable(list)) << list << "empty" << false;
    }
}

void TestCatalogs::pick()
{
    QFETCH(QString, list);
    QFETCH(QString, how);
    QFETCH(bool, handsBack);
    const ListCase c = listCase(list);
    int wanted = 0;
    if (how != "empty") {
        c.add("Иванов");
        wanted = c.add("Петров   ");
        c.add("Сидоров");
    }
    c.setHanded("прежний", 777);
    MessageLog log;
    inModal<QDialog>([&](QDialog* w) {
        if (how == "enter") {
            typeText(c.search(), "Пе");
            QTest::keyClick(c.search(), Qt::Key_Return);
        } else if (how == "double click") {
            c.data->moveTo(2);
            const QPoint at = c.grid()->visualRect(c.grid()->model()->index(1, 0)).center();
            QTest::mouseClick(c.grid()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(c.grid()->viewport(), Qt::LeftButton, {}, at);
        } else if (how == "escape") {
            c.data->moveTo(2);
            QTest::keyClick(w, Qt::Key_Escape);
        } else if (how == "exit") {
            c.data->moveTo(2);
            c.button(4)->click();
        } else {
            QTest::keyClick(c.grid(), Qt::Key_Return);
        }
    });
    c.showSelect();
    QCOMPARE(log.texts(), QStringList());
    QVERIFY(!c.window->isVisible());
    QVERIFY(!c.data->isOpen());
    QCOMPARE(c.handedName(), handsBack ? QString("Петров") : QString("прежний"));
    QCOMPARE(c.handedId(), handsBack ? wanted : 777);
}

void TestCatalogs::modesSwitchButtons_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("addCaption");
    QTest::addColumn<QString>("placeholder");
    QTest::newRow("workers") << "workers" << "Заведение данных нового работника" << "Поиск по фамилии";
    QTest::newRow("products") << "products" << "Заведение нового изделия" << "Поиск по марке";
    QTest::newRow("types") << "types" << "Заведение нового вида операций" << "Поиск по операции";
}

void TestCatalogs::modesSwitchButtons()
{
    QFETCH(QString, list);
    QFETCH(QString, addCaption);
    QFETCH(QString, placeholder);
    const ListCase c = listCase(list);
    c.add("Иванов");
    c.search()->setText("Ив");

    struct Seen {
        int tag = -1;
        QString caption;
        bool isDefault = false, add = false, del = false, search = false;
        QString searchText;
    } select, browse;
    auto look = [&](Seen& seen) {
        seen.tag = c.tag();
        seen.caption = c.button(2)->text();
        seen.isDefault = c.button(2)->isDefault();
        seen.add = c.button(1)->isVisible();
        seen.del = c.button(3)->isVisible();
        seen.search = c.search()->isVisible();
        seen.searchText = c.search()->text();
    };
    inModal<QDialog>([&](QDialog*) { look(select); });
    c.showSelect();
    QString editorCaption;
    inModal<QDialog>([&](QDialog*) {
        look(browse);
        // Enter on the grid presses "Добавить" again.
        inModal<QDialog>([&](QDialog* editor) { editorCaption = editor->windowTitle(); });
        QTest::keyClick(c.grid(), Qt::Key_Return);
    });
    c.showBrowse();

    QCOMPARE(select.tag, 1);
    QCOMPARE(select.caption, QString("Выбрать"));
    QVERIFY(select.isDefault);
    QVERIFY(!select.add);
    QVERIFY(!select.del);
    QVERIFY(select.search);
    QCOMPARE(select.searchText, QString());

    QCOMPARE(browse.tag, 0);
    QCOMPARE(browse.caption, QString("Изменить"));
    QVERIFY(!browse.isDefault);
    QVERIFY(browse.add);
    QVERIFY(browse.del);
    QVERIFY(browse.search);   // the menu's list is searchable also after it served as a picker
    QCOMPARE(browse.searchText, QString());
    QCOMPARE(c.search()->placeholderText(), placeholder);
    QCOMPARE(editorCaption, addCaption);
}

// ---------------------------------------------------------------- workers

void TestCatalogs::workerAdd_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("department");
    QTest::addColumn<QStringList>("stored");   // "fio|position", sorted
    QTest::newRow("same name twice") << "Иванов Иван" << "Иванов Иван" << 1
                                     << QStringList{"Иванов Иван|", "Иванов Иван|Малярный участок"};
    QTest::newRow("apostrophe, blanks, no department") << "" << "  Д'Артаньян Шарль  " << -1
                                                       << QStringList{"Д'Артаньян Шарль|"};
}

void TestCatalogs::workerAdd()
{
    QFETCH(QString, existing);
    QFETCH(QString, typed);
    QFETCH(int, department);
    QFETCH(QStringList, stored);
    EXEC_SQL("insert into cmn_department.department (id, s_caption) values (1, 'Цех деревообработки'), (2, 'Малярный участок')");
    if (!existing.isEmpty())
        Fixture::worker(existing);
    Fixture::worker("Яковлев");
    MessageLog log;
    int recNoAfter = 0;
    QString caption;
    inModal<TForm5>([&](TForm5* w) {
        DataModule6->Workers->last();
        inModal<TForm2>([&](TForm2* editor) {
            caption = editor->windowTitle();
            editor->Edit1->setText(typed);
            editor->LCB_department->setCurrentIndex(department);
            editor->Button1->click();
        });
        w->Button1->click();
        recNoAfter = DataModule6->Workers->recNo();
    });
    Form5->ShowBrowse();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(caption, QString("Заведение данных нового работника"));
        QCOMPARE(column("select fio || '|' || s_staffpos_hl from accounts_dep.person where fio <> 'Яковлев'"), stored);
    QCOMPARE(recNoAfter, 1);
}

void TestCatalogs::workerEmptyName()
{
    MessageLog log;
    bool stillOpen = false;
    inModal<TForm5>([&](TForm5* w) {
        inModal<TForm2>([&](TForm2* editor) {
            editor->Edit1->setText("   ");
            editor->Button1->click();
            stillOpen = editor->isVisible();
        });
        w->Button1->click();
    });
    Form5->ShowBrowse();
    QVERIFY(stillOpen);
    QCOMPARE(log.shown().size(), 1);
    QCOMPARE(log.shown().at(0).text, QString("ФИО нужно заполнить!"));
    QCOMPARE(log.shown().at(0).caption, QString("Ошибка"));
    QVERIFY(log.shown().at(0).icon == MessageBox::Icon::Stop);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.person").toInt(), 0);
}

void TestCatalogs::workerChangeKeepsRowNumber()
{
    Fixture::worker("Алексеев", "Столяр");
    const int changed = Fixture::worker("Борисов  ", "Маляр");
    Fixture::worker("Васильев", "Столяр");
    MessageLog log;
    QString preset, caption, afterName;
    int afterRecNo = 0;
    inModal<TForm5>([&](TForm5* w) {
        DataModule6->Workers->moveTo(2);
        inModal<TForm2>([&](TForm2* editor) {
            preset = editor->Edit1->text();
            caption = editor->windowTitle();
            editor->Edit1->setText("Яшин");
            editor->Button1->click();
        });
        w->Button2->click();
        afterRecNo = DataModule6->Workers->recNo();
        afterName = DataModule6->Workers->value("fio").toString();
    });
    Form5->ShowBrowse();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(preset, QString("Борисов"));
    QCOMPARE(caption, QString("Изменение данных работника"));
    // Same place in the list, now another worker.
    QCOMPARE(afterRecNo, 2);
    QCOMPARE(afterName, QString("Васильев"));
    // The department box showed nothing: the position text is emptied.
    QCOMPARE(TestDb::scalar(QString("select fio || '|' || s_staffpos_hl from accounts_dep.person where id=%1").arg(changed)).toString(),
             QString("Яшин|"));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.person").toInt(), 3);
}

void TestCatalogs::workerDelete_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("recNoAfter");
    QTest::newRow("middle row") << true << 2 << QStringList{"Алексеев", "Васильев"} << 2;
    QTest::newRow("last row") << true << 3 << QStringList{"Алексеев", "Борисов"} << 2;
    QTest::newRow("answered No") << false << 2 << QStringList{"Алексеев", "Борисов", "Васильев"} << 2;
}

void TestCatalogs::workerDelete()
{
    QFETCH(bool, yes);
    QFETCH(int, row);
    QFETCH(QStringList, left);
    QFETCH(int, recNoAfter);
    QList<int> ids;
    for (const char* name : {"Алексеев", "Борисов", "Васильев"})
        ids << Fixture::worker(name);
    const int product = Fixture::product("ЯП-12");
    const int op = Fixture::operation(product, Fixture::operationType("Сборка"));
    Fixture::entry({QDate(2024, 9, 2), 1, ids.at(row - 1), op, product});
    MessageLog log;
    log.answer({yes});
    int recNo = 0;
    inModal<TForm5>([&](TForm5* w) {
        DataModule6->Workers->moveTo(row);
        w->Button3->click();
        recNo = DataModule6->Workers->recNo();
    });
    Form5->ShowBrowse();
    QCOMPARE(log.shown().size(), 1);
    QCOMPARE(log.shown().at(0).text, QString("Удалить работника?"));
    QCOMPARE(log.shown().at(0).caption, QString("Удаление"));
    QCOMPARE(column("select fio from accounts_dep.person"), left);
    QCOMPARE(recNo, recNoAfter);
    // The worker's journal entries stay.
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 1);
}

void TestCatalogs::workerInJournal_data()
{
    QTest::addColumn<QString>("erpName");    // an ERP person who already has the worker's code; empty: none
    QTest::addColumn<QString>("action");     // what is done to the worker in the list afterwards
    QTest::addColumn<QStringList>("listed"); // the names the journal shows for his one entry
    QTest::newRow("added") << "" << "" << QStringList{"Иванов И.И."};
    QTest::newRow("renamed") << "" << "rename" << QStringList{"Петров П.П."};
    QTest::newRow("deleted: his entries stay listed") << "" << "delete" << QStringList{"Иванов И.И."};
    QTest::newRow("code already in the ERP: listed once") << "Иванов Иван Ильич" << "" << QStringList{"Иванов Иван Ильич"};
    QTest::newRow("code already in the ERP, renamed: the ERP's name stays") << "Иванов Иван Ильич" << "rename"
                                                                           << QStringList{"Иванов Иван Ильич"};
    QTest::newRow("code already in the ERP, deleted") << "Иванов Иван Ильич" << "delete" << QStringList{"Иванов Иван Ильич"};
}

void TestCatalogs::workerInJournal()
{
    QFETCH(QString, erpName);
    QFETCH(QString, action);
    QFETCH(QStringList, listed);
    // The worker gets number 1.
    if (!erpName.isEmpty())
        EXEC_SQL(QString("insert into cmn_contractor.person (s_caption, s_code) values ('%1', '1')").arg(erpName));
    QCOMPARE(Fixture::worker("Иванов И.И."), 1);
    const int product = Fixture::product("ЯП-12");
    Fixture::entry({QDate(2024, 9, 2), 1, 1, Fixture::operation(product, Fixture::operationType("Сборка")), product});
    MessageLog log;
    inModal<TForm5>([&](TForm5* w) {
        if (action == "rename") {
            inModal<TForm2>([](TForm2* editor) {
                editor->Edit1->setText("Петров П.П.");
                editor->Button1->click();
            });
            w->Button2->click();
        } else if (action == "delete") {
            w->Button3->click();
        }
    });
    Form5->ShowBrowse();
    QCOMPARE(log.texts(), action == "delete" ? QStringList{"Удалить работника?"} : QStringList());
    Dataset* journal = DataModule6->Smena1;
    journal->setParam("data", QDate(2024, 9, 2));
    journal->setParam("ok", "ta");
    journal->refresh();
    QCOMPARE(shown(journal, "fio"), listed);
    journal->close();
}

void TestCatalogs::workerLookupsKeepChoice()
{
    EXEC_SQL("insert into cmn_department.department (id, s_caption) values (1, 'Цех деревообработки'), (2, 'Малярный участок')");
    EXEC_SQL("insert into hrms_staffpos.staffpos (id, s_caption) values (1, 'Столяр'), (2, 'Маляр')");
    EXEC_SQL("insert into adm_role.roles (id, s_caption) values (1, 'Мастер участка')");
    MessageLog log;
    QStringList firstShown, secondShown;
    QStringList staffposItems;
    inModal<TForm5>([&](TForm5* w) {
        inModal<TForm2>([&](TForm2* editor) {
            firstShown << editor->LCB_department->currentText() << editor->LCB_staffpos->currentText();
            for (int i = 0; i < editor->LCB_staffpos->count(); ++i)
                staffposItems << editor->LCB_staffpos->itemText(i);
            editor->LCB_department->setCurrentIndex(1);
            editor->LCB_staffpos->setCurrentIndex(0);
            editor->Edit1->setText("Первый");
            editor->Button1->click();
        });
        w->Button1->click();
        // A department added meanwhile shows up; the choices stay.
        EXEC_SQL("insert into cmn_department.department (id, s_caption) values (3, 'Склад')");
        inModal<TForm2>([&](TForm2* editor) {
            secondShown << editor->LCB_department->currentText() << editor->LCB_staffpos->currentText()
                        << QString::number(editor->LCB_department->count());
            editor->Edit1->setText("Второй");
            editor->Button1->click();
        });
        w->Button1->click();
    });
    Form5->ShowBrowse();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(firstShown, (QStringList{"", ""}));
    QCOMPARE(staffposItems, (QStringList{"Столяр", "Маляр"}));
    QCOMPARE(secondShown, (QStringList{"Малярный участок", "Столяр", "3"}));
    QCOMPARE(column("select s_staffpos_hl from accounts_dep.person"), (QStringList{"Малярный участок", "Малярный участок"}));
}

void TestCatalogs::workerWheelStepsFocusedBox()
{
    EXEC_SQL("insert into adm_role.roles (id, s_caption) values (1, 'Плановик'), (2, 'Мастер'), (3, 'Кладовщик')");
    QList<int> steps;
    inModal<TForm2>([&](TForm2* editor) {
        // Focus goes where it is set only in the active window.
        QVERIFY(QTest::qWaitForWindowActive(editor));
        editor->LCB_roles->setFocus();
        editor->LCB_roles->setCurrentIndex(0);
        wheel(editor->LCB_roles, -120);          // down, over the box itself: one step
        steps << editor->LCB_roles->currentIndex();
        wheel(editor->Button1, -120);            // down, anywhere over the dialog
        steps << editor->LCB_roles->currentIndex();
        wheel(editor->Edit1, 120);               // up
        steps << editor->LCB_roles->currentIndex();
        editor->Edit1->setFocus();
        wheel(editor->LCB_roles, -120);          // the box has no focus and the wheel gives it none
        steps << editor->LCB_roles->currentIndex();
    });
    Form2->reopenLookups();
    Form2->exec();
    QCOMPARE(steps, (QList<int>{1, 2, 1, 1}));
}

// ---------------------------------------------------------------- operation types

void TestCatalogs::typeSave_data()
{
    QTest::addColumn<int>("changeRow");      // 0 adds
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");    // empty when stored
    QTest::addColumn<QStringList>("stored");
    const QStringList before{"Покраска", "Сборка", "Сварка"};
    QTest::newRow("add: same name in other case with blanks")
        << 0 << "  покраска  " << "Такая операция уже заведена!" << before;
    QTest::newRow("add: new name stored trimmed as typed")
        << 0 << "  Шлифовка ручная " << "" << QStringList{"Покраска", "Сборка", "Сварка", "Шлифовка ручная"};
    QTest::newRow("add: apostrophe") << 0 << "Д'Артаньян" << "" << QStringList{"Д'Артаньян", "Покраска", "Сборка", "Сварка"};
    QTest::newRow("add: empty") << 0 << "   " << "Все поля должны быть заполнены!" << before;
    QTest::newRow("rename to itself in other case") << 1 << "ПОКРАСКА" << "" << QStringList{"ПОКРАСКА", "Сборка", "Сварка"};
    QTest::newRow("rename to another type in other case") << 1 << " сварка " << "Такая операция уже заведена!" << before;
    QTest::newRow("rename with apostrophe") << 3 << "Сварка 'МИГ'" << "" << QStringList{"Покраска", "Сборка", "Сварка 'МИГ'"};
}

void TestCatalogs::typeSave()
{
    QFETCH(int, changeRow);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, stored);
    for (const char* name : {"Покраска", "Сборка", "Сварка"})
        Fixture::operationType(name);
    MessageLog log;
    bool stillOpen = false;
    int recNo = 0;
    inModal<TForm8>([&](TForm8* w) {
        DataModule6->Vid_oper->moveTo(changeRow ? changeRow : 3);
        inModal<TForm9>([&](TForm9* editor) {
            editor->Edit1->setText(typed);
            editor->Button1->click();
            stillOpen = editor->isVisible();
        });
        (changeRow ? w->Button2 : w->Button1)->click();
        recNo = DataModule6->Vid_oper->recNo();
    });
    Form8->ShowBrowse();
    QCOMPARE(log.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(log.shown().at(0).caption, QString("Ошибка"));
    QCOMPARE(stillOpen, !message.isEmpty());
    QCOMPARE(column("select vid from accounts_dep.vid_oper"), stored);
    // A write re-reads the list and leaves it on its first row.
    QCOMPARE(recNo, message.isEmpty() ? 1 : (changeRow ? changeRow : 3));
}

void TestCatalogs::typeDelete_data()
{
    // Entries whose operation is of the type (they drop out of every list when it goes); the
    // answers to the questions; the questions asked; the types left.
    QTest::addColumn<int>("entries");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("left");
    const QString plain = "Удалить вид операции?";
    const QString used = "По виду операции есть записи в журнале (3 шт.), они больше не будут показываться. Удалить вид операции?";
    const QStringList all{"Покраска", "Сборка", "Сварка"};
    const QStringList rest{"Покраска", "Сварка"};
    QTest::newRow("Yes") << 0 << QList<bool>{true} << QStringList{plain} << rest;
    QTest::newRow("No") << 0 << QList<bool>{false} << QStringList{plain} << all;
    QTest::newRow("used by entries, Yes, Yes") << 3 << QList<bool>{true, true} << QStringList{plain, used} << rest;
    QTest::newRow("used by entries, Yes, No") << 3 << QList<bool>{true, false} << QStringList{plain, used} << all;
    QTest::newRow("used by entries, No") << 3 << QList<bool>{false} << QStringList{plain} << all;
}

void TestCatalogs::typeDelete()
{
    QFETCH(int, entries);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, left);
    Fixture::operationType("Покраска");
    const int used = Fixture::operationType("Сборка");
    const int other = Fixture::operationType("Сварка");
    const int product = Fixture::product("ЯП-12");
    const int worker = Fixture::worker("Иванов");
    // The type's entries spread over two of its operations; another type's entry is not counted.
    const int finished = Fixture::operation(product, used, 0);
    const int blanks = Fixture::operation(product, used, 1);
    for (int i = 0; i < entries; ++i)
        Fixture::entry({QDate(2024, 9, 2 + i), 1, worker, i % 2 ? blanks : finished, product});
    Fixture::entry({QDate(2024, 9, 2), 1, worker, Fixture::operation(product, other), product});
    MessageLog log;
    for (bool a : answers)
        log.answer({a});
    int recNo = 0;
    inModal<TForm8>([&](TForm8* w) {
        DataModule6->Vid_oper->moveTo(2);
        w->Button3->click();
        recNo = DataModule6->Vid_oper->recNo();
    });
    Form8->ShowBrowse();
    QCOMPARE(log.texts(), questions);
    for (const auto& question : log.shown())
        QCOMPARE(question.caption, QString("Удаление"));
    QCOMPARE(column("select vid from accounts_dep.vid_oper"), left);
    QCOMPARE(recNo, left.size() == 2 ? 1 : 2);
    // Operations and entries stay.
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.oper").toInt(), 3);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), entries + 1);
}

// ---------------------------------------------------------------- products

void TestCatalogs::productDelete_data()
{
    QTest::addColumn<bool>("withPrices");
    QTest::addColumn<QDate>("entryDate");    // invalid: none
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("operationsLeft");
    QTest::addColumn<int>("entriesLeft");
    QTest::addColumn<bool>("productLeft");
    const QString prices = "По изделию есть расценки они будут удалены!!!";
    const QString withEntries = "По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. Удалить изделие? ";
    const QString plain = "Удалить изделие? ";
    const QDate recent(2024, 9, 2);
    // Today is 16.09.2024: the bound is 01.08.2000.
    QTest::newRow("Yes, Yes") << true << recent << QList<bool>{true, true} << QStringList{prices, withEntries} << 0 << 0 << false;
    QTest::newRow("No, Yes") << true << recent << QList<bool>{false, true} << QStringList{prices, withEntries} << 1 << 0 << false;
    QTest::newRow("Yes, No") << true << recent << QList<bool>{true, false} << QStringList{prices, withEntries} << 0 << 2 << true;
    QTest::newRow("entries on the bound count") << false << QDate(2000, 8, 1) << QList<bool>{true} << QStringList{withEntries} << 0 << 0 << false;
    QTest::newRow("entries before the bound only") << false << QDate(2000, 7, 31) << QList<bool>{true} << QStringList{plain} << 0 << 2 << false;
    QTest::newRow("nothing else, No") << false << QDate() << QList<bool>{false} << QStringList{plain} << 0 << 0 << true;
    QTest::newRow("prices only, Yes, Yes") << true << QDate() << QList<bool>{true, true} << QStringList{prices, plain} << 0 << 0 << false;
}

void TestCatalogs::productDelete()
{
    QFETCH(bool, withPrices);
    QFETCH(QDate, entryDate);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, questions);
    QFETCH(int, operationsLeft);
    QFETCH(int, entriesLeft);
    QFETCH(bool, productLeft);
    const int other = Fixture::product("АА-1");
    const int product = Fixture::product("ЯП-12");
    const int type = Fixture::operationType("Сборка");
    const int otherOp = Fixture::operation(other, type);
    const int worker = Fixture::worker("Иванов");
    Fixture::entry({QDate(2024, 9, 2), 1, worker, otherOp, other});
    if (withPrices) {
        const int op = Fixture::operation(product, type);
        if (entryDate.isValid())
            Fixture::entry({entryDate, 1, worker, op, product});
    } else if (entryDate.isValid()) {
        Fixture::entry({entryDate, 1, worker, otherOp, product});
    }
    MessageLog log;
    for (bool a : answers)
        log.answer({a});
    int recNo = 0;
    inModal<TForm3>([&](TForm3* w) {
        DataModule6->Izdel->moveTo(2);
        w->Button3->click();
        recNo = DataModule6->Izdel->recNo();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), questions);
    for (const auto& s : log.shown())
        QCOMPARE(s.caption, QString("Удаление"));
    const QString of = QString(" where i_id=%1").arg(product);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.oper" + of).toInt(), operationsLeft);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena" + of).toInt(), entriesLeft ? 1 : 0);
    Q_UNUSED(entriesLeft);
    QCOMPARE(TestDb::scalar(QString("select count(*) from cmn_gds_and_srv.gds_and_srv where id=%1").arg(product)).toInt(),
             productLeft ? 1 : 0);
    QCOMPARE(TestDb::scalar(QString("select count(*) from accounts_dep.izdel where id=%1").arg(product)).toInt(),
             productLeft ? 1 : 0);
    // The other product keeps everything.
    QCOMPARE(TestDb::scalar(QString("select count(*) from accounts_dep.smena where i_id=%1").arg(other)).toInt(), 1);
    QCOMPARE(TestDb::scalar(QString("select count(*) from accounts_dep.oper where i_id=%1").arg(other)).toInt(), 1);
    QCOMPARE(recNo, 1);
}

void TestCatalogs::productSave_data()
{
    QTest::addColumn<int>("changeRow");     // 0 adds
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("classChosen");
    QTest::addColumn<QString>("message");   // empty when stored
    QTest::addColumn<QStringList>("stored");
    const QStringList before{"ПД-800", "ЯП-12"};
    QTest::newRow("add: mark of another in other case with blanks")
        << 0 << "  яп-12 " << "3" << true << "Такая марка изделия уже заведена!" << before;
    QTest::newRow("add: apostrophe, stored trimmed")
        << 0 << " Щит 'Лайт' " << "2,5" << true << "" << QStringList{"ПД-800", "Щит 'Лайт'", "ЯП-12"};
    QTest::newRow("add: no mark") << 0 << "  " << "3" << true << "Все поля должны быть заполнены!" << before;
    QTest::newRow("add: no number") << 0 << "КР-1" << "" << true << "Все поля должны быть заполнены!" << before;
    QTest::newRow("add: no class") << 0 << "КР-1" << "3" << false << "Все поля должны быть заполнены!" << before;
    QTest::newRow("change: to another's mark") << 1 << "Яп-12" << "3" << true << "Такая марка изделия уже заведена!" << before;
    QTest::newRow("change: own mark in other case") << 2 << "яп-12" << "3" << true << "" << QStringList{"ПД-800", "яп-12"};
    // A number box text that is no number is refused as it stands, never turned into another number.
    for (const char* refused : {"-5", "1e5", "1,2,3", "abc"}) {
        const QString message = QStringLiteral("Поле \"Коробки\": \"%1\" не является числом.").arg(QLatin1String(refused));
        QTest::addRow("add: %s refused", refused) << 0 << "КР-1" << refused << true << message << before;
        QTest::addRow("change: %s refused", refused) << 1 << "КР-1" << refused << true << message << before;
    }
    QTest::newRow("add: blanks around the number") << 0 << "КР-1" << " 7 " << true << "" << QStringList{"КР-1", "ПД-800", "ЯП-12"};
    QTest::newRow("change: comma") << 1 << "КР-1" << "1,5" << true << "" << QStringList{"КР-1", "ЯП-12"};
}

void TestCatalogs::productSave()
{
    QFETCH(int, changeRow);
    QFETCH(QString, mark);
    QFETCH(QString, number);
    QFETCH(bool, classChosen);
    QFETCH(QString, message);
    QFETCH(QStringList, stored);
    const int boxes = Fixture::classItem("Ящики");
    Fixture::classItem("Поддоны");
    Fixture::product("ПД-800", 1, boxes);
    Fixture::product("ЯП-12", 1, boxes);
    MessageLog log;
    bool stillOpen = false;
    inModal<TForm3>([&](TForm3* w) {
        if (changeRow)
            DataModule6->Izdel->moveTo(changeRow);
        inModal<TForm7>([&](TForm7* editor) {
            editor->Edit1->setText(mark);
            editor->Edit2->clear();
            editor->Edit2->insert(number);   // pasted: typed keys are filtered (numberBoxTakesTypedKeys)
            editor->cb_item->setCurrentIndex(classChosen ? 1 : -1);
            editor->Button1->click();
            stillOpen = editor->isVisible();
        });
        (changeRow ? w->Button2 : w->Button1)->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(stillOpen, !message.isEmpty());
    QCOMPARE(column("select marka from accounts_dep.izdel"), stored);
    if (message.isEmpty()) {
        const QString row = TestDb::scalar(QString("select g.s_description || '|' || g.id_msm_bs || '|' || g.massa || '|' || i.s_caption "
                                                   "from cmn_gds_and_srv.gds_and_srv g join cmn_classifier.item i on i.id = g.id_class_item "
                                                   "where g.s_caption = %1").arg("'" + mark.trimmed().replace("'", "''") + "'"))
                                .toString();
        QCOMPARE(row, "|6|" + QString(number).trimmed().replace(',', '.') + "|Ящики");
    }
}

void TestCatalogs::productMassaRoundTrip_data()
{
    QTest::addColumn<double>("massa");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("inBox");
    QTest::addColumn<QString>("inGrid");
    QTest::newRow("whole number") << 5.0 << "." << "5" << "5";
    QTest::newRow("fraction") << 1.25 << "." << "1.25" << "1,25";
    QTest::newRow("fraction, no separator known yet") << 12.375 << "" << "12.375" << "12,375";
    QTest::newRow("fraction, the database names a comma") << 1.5 << "," << "1.5" << "1,5";
    QTest::newRow("whole number, the database names a comma") << 3.0 << "," << "3" << "3";
}

void TestCatalogs::productMassaRoundTrip()
{
    QFETCH(double, massa);
    QFETCH(QString, delimiter);
    QFETCH(QString, inBox);
    QFETCH(QString, inGrid);
    DataModule6->DecimalDelimiter = delimiter;
    const int product = Fixture::product("ЯП-12", massa, Fixture::classItem("Ящики"));
    MessageLog log;
    QString boxText, gridText;
    inModal<TForm3>([&](TForm3* w) {
        gridText = w->DBGrid1->model()->index(0, 1).data().toString();
        inModal<TForm7>([&](TForm7* editor) {
            boxText = editor->Edit2->text();
            editor->Button1->click();
        });
        w->Button2->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(boxText, inBox);
    QCOMPARE(gridText, inGrid);
    QCOMPARE(TestDb::scalar(QString("select massa from cmn_gds_and_srv.gds_and_srv where id=%1").arg(product)).toDouble(), massa);
}

void TestCatalogs::productAddKeepsRowAndClass()
{
    const int boxes = Fixture::classItem("Ящики");
    Fixture::classItem("Поддоны");
    Fixture::classItem("Щиты");
    EXEC_SQL("insert into cmn_classifier.item (id, id_level, s_caption) values (100, 1, 'Изделия из древесины')");
    for (const char* mark : {"ВВ-1", "ГГ-1", "ДД-1"})
        Fixture::product(mark, 1, boxes);
    MessageLog log;
    QStringList classes;
    QString secondShown;
    int recNo = 0;
    inModal<TForm3>([&](TForm3* w) {
        DataModule6->Izdel->moveTo(2);
        inModal<TForm7>([&](TForm7* editor) {
            for (int i = 0; i < editor->cb_item->count(); ++i)
                classes << editor->cb_item->itemText(i);
            editor->Edit1->setText("АА-1");
            typeText(editor->Edit2, "4");
            editor->cb_item->setCurrentIndex(editor->cb_item->findText("Поддоны"));
            editor->Button1->click();
        });
        w->Button1->click();
        recNo = DataModule6->Izdel->recNo();
        inModal<TForm7>([&](TForm7* editor) { secondShown = editor->cb_item->currentText(); });
        w->Button1->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(classes, (QStringList{"Поддоны", "Щиты", "Ящики"}));
    QCOMPARE(recNo, 2);
    QCOMPARE(TestDb::scalar("select i.s_caption from accounts_dep.izdel z join cmn_classifier.item i on i.id = z.id_class_item "
                            "where marka = 'АА-1'").toString(),
             QString("Поддоны"));
    QCOMPARE(secondShown, QString("Поддоны"));
}

void TestCatalogs::importedProductKeepsItsId()
{
    insertImportedProduct(1, "ИМП-1");
    const int type = Fixture::operationType("Сборка");
    const int imported = Fixture::operation(1, type);
    Fixture::entry({QDate(2024, 9, 2), 1, Fixture::worker("Иванов"), imported, 1});
    Fixture::classItem("Ящики");
    MessageLog log;
    inModal<TForm3>([&](TForm3* w) {
        inModal<TForm7>([&](TForm7* editor) {
            editor->Edit1->setText("НОВ-1");
            typeText(editor->Edit2, "3");
            editor->cb_item->setCurrentIndex(0);
            editor->Button1->click();
        });
        w->Button1->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), QStringList());
    // A goods row written elsewhere gets a new id as well.
    const int fromErp = Fixture::product("ERP-1");
    QCOMPARE(column("select id || ' ' || marka || ' ' || coalesce(nom, '-') from accounts_dep.izdel"),
             (QStringList{"1 ИМП-1 Старые изделия", "2 НОВ-1 Ящики", QString("%1 ERP-1 -").arg(fromErp)}));
    QCOMPARE(fromErp, 3);
    // The imported product keeps its operation and its entry.
    QCOMPARE(TestDb::scalar(QString("select marka from accounts_dep.izdel z join accounts_dep.oper o on o.i_id = z.id "
                                    "where o.id = %1").arg(imported)).toString(),
             QString("ИМП-1"));
    QCOMPARE(TestDb::scalar("select marka from accounts_dep.izdel z join accounts_dep.smena s on s.i_id = z.id").toString(),
             QString("ИМП-1"));
}

void TestCatalogs::importedProductChangedAndDeleted()
{
    insertImportedProduct(7, "ИМП-7");
    Fixture::classItem("Ящики");
    MessageLog log;
    QString changed;
    inModal<TForm3>([&](TForm3* w) {
        inModal<TForm7>([&](TForm7* editor) {
            editor->Edit1->setText("ИМП-7Б");
            editor->Edit2->clear();
            typeText(editor->Edit2, "2,5");
            editor->cb_item->setCurrentIndex(0);
            editor->Button1->click();
        });
        w->Button2->click();
        changed = TestDb::scalar("select concat_ws('|', id, marka, massa, nom) from accounts_dep.izdel").toString();
        w->Button3->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), QStringList{"Удалить изделие? "});
    QCOMPARE(changed, QString("7|ИМП-7Б|2.5|Ящики"));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.izdel").toInt(), 0);
    QCOMPARE(TestDb::scalar("select count(*) from cmn_gds_and_srv.gds_and_srv").toInt(), 0);
}

// A product deleted by another user while its editor was open: nothing is reported as saved.
void TestCatalogs::productGoneBeforeChange()
{
    const int product = Fixture::product("ЯП-12", 1, Fixture::classItem("Ящики"));
    MessageLog log;
    bool stillOpen = true;
    int listed = -1;
    inModal<TForm3>([&](TForm3* w) {
        inModal<TForm7>([&](TForm7* editor) {
            EXEC_SQL(QString("delete from cmn_gds_and_srv.gds_and_srv where id=%1").arg(product));
            editor->Edit1->setText("ЯП-14");
            editor->Button1->click();
            stillOpen = editor->isVisible();
        });
        w->Button2->click();
        listed = DataModule6->Izdel->recordCount();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.texts(), QStringList{"Изделие не найдено: его уже удалили. Изменения не записаны."});
    QCOMPARE(log.shown().first().caption, QString("Ошибка"));
    QVERIFY(!stillOpen);
    QCOMPARE(listed, 0);
    QCOMPARE(TestDb::scalar("select count(*) from cmn_gds_and_srv.gds_and_srv").toInt(), 0);
}

void TestCatalogs::productDeleteTakesItsHours_data()
{
    QTest::addColumn<bool>("upkeepFails");
    QTest::newRow("the cells of the deleted entries follow") << false;
    QTest::newRow("a failing upkeep keeps everything") << true;
}

void TestCatalogs::productDeleteTakesItsHours()
{
    QFETCH(bool, upkeepFails);
    const int other = Fixture::product("АА-1");
    const int product = Fixture::product("ЯП-12");
    const int type = Fixture::operationType("Сборка");
    const int op = Fixture::operation(product, type);
    const int otherOp = Fixture::operation(other, type);
    const int ivanov = Fixture::worker("Иванов");
    const int petrov = Fixture::worker("Петров");
    const QDate monday(2024, 9, 2);
    const QDate tuesday(2024, 9, 3);
    const QDate august(2024, 8, 2);
    const struct {
        QDate day;
        int shift, worker, operation, productId, hours;
    } entries[] = {{monday, 1, ivanov, op, product, 5}, {monday, 1, ivanov, otherOp, other, 3},
                   {tuesday, 1, ivanov, op, product, 4}, {monday, 2, petrov, op, product, 6},
                   {august, 1, ivanov, op, product, 2}};
    for (const auto& e : entries)
        Fixture::entry({e.day, e.shift, e.worker, e.operation, e.productId, 10, 10, 0, 0, e.hours});
    std::unique_ptr<Fixture::GridTrigger> refused;
    if (upkeepFails)
        refused = std::make_unique<Fixture::GridTrigger>("raise exception 'h_tabel: записи в табель запрещены';");
    MessageLog log;
    log.answer({true, true});
    inModal<TForm3>([&](TForm3* w) {
        QVERIFY(DataModule6->Izdel->locate("id", product));
        w->Button3->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(log.shown().size(), upkeepFails ? 3 : 2);
    if (upkeepFails)
        QVERIFY(log.shown().last().detail.contains("записи в табель запрещены"));
    const QString of = QString(" where i_id=%1").arg(product);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.oper" + of).toInt(), upkeepFails ? 1 : 0);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena" + of).toInt(), upkeepFails ? 4 : 0);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.izdel where id=" + QString::number(product)).toInt(), upkeepFails ? 1 : 0);
    QCOMPARE(Fixture::hoursCell(ivanov, 1, monday), upkeepFails ? 8 : 3);
    QCOMPARE(Fixture::hoursCell(ivanov, 1, tuesday), upkeepFails ? 4 : 0);
    QCOMPARE(Fixture::hoursCell(petrov, 2, monday), upkeepFails ? 6 : 0);
    QCOMPARE(Fixture::hoursCell(ivanov, 1, august), upkeepFails ? 2 : 0);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), 3);
}

void TestCatalogs::productDeleteRacingASave_data()
{
    QTest::addColumn<bool>("sameCell");   // the other client's entry goes into a cell the cascade empties
    QTest::newRow("the other client holds the cell") << true;
    QTest::newRow("a cell of its own") << false;
}

// Another client saves an entry of the product while the cascade runs: whichever of the two
// comes first, every cell holds the hours of the entries left in the journal.
void TestCatalogs::productDeleteRacingASave()
{
    QFETCH(bool, sameCell);
    const int product = Fixture::product("ЯП-12");
    const int op = Fixture::operation(product, Fixture::operationType("Сборка"));
    const int ivanov = Fixture::worker("Иванов");
    const int petrov = Fixture::worker("Петров");
    const QDate monday(2024, 9, 2);
    Fixture::entry({monday, 1, ivanov, op, product, 10, 10, 0, 0, 5});
    Fixture::entry({monday, 1, petrov, op, product, 10, 10, 0, 0, 2});
    // Holding its transaction open until a lock is waited for (the cascade on its grid row), or
    // for a moment when nobody waits.
    std::unique_ptr<QProcess> other = TestDb::startScript(
        QString("begin;\n"
                "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok)\n"
                "  values ('2024-09-02', 1, %1, %2, %3, 10, 3, 0, 0, 3, 'no');\n"
                "select pg_advisory_lock(4712);\n"
                "do $$ declare started timestamptz := clock_timestamp(); begin\n"
                "  while not exists (select 1 from pg_locks l join pg_stat_activity a on a.pid = l.pid\n"
                "                    where not l.granted and a.datname = current_database())\n"
                "        and clock_timestamp() < started + interval '2 seconds' loop\n"
                "    perform pg_sleep(0.01);\n"
                "  end loop;\n"
                "end $$;\n"
                "commit;\n")
            .arg(sameCell ? ivanov : Fixture::worker("Сидоров")).arg(product).arg(op));
    QTRY_COMPARE(TestDb::scalar("select count(*) from pg_locks where locktype = 'advisory' and objid = 4712 and granted").toInt(), 1);
    MessageLog log;
    log.answer({true, true});
    inModal<TForm3>([&](TForm3* w) {
        QVERIFY(DataModule6->Izdel->locate("id", product));
        w->Button3->click();
    });
    Form3->ShowBrowse();
    QVERIFY(other->waitForFinished(30000));
    QVERIFY2(other->exitCode() == 0, other->readAll().constData());
    QCOMPARE(log.shown().size(), 2);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.izdel where id=" + QString::number(product)).toInt(), 0);
    const QString mismatches = "select count(*) from accounts_dep.h_tabel h where d2 <> (select coalesce(sum(time), 0) "
                               "from accounts_dep.smena s where s.w_id = h.w_id and s.smena = h.smena and s.data = '2024-09-02')";
    QCOMPARE(TestDb::scalar(mismatches).toInt(), 0);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), sameCell ? 2 : 3);
    QCOMPARE(Fixture::hoursCell(petrov, 1, monday), 0);
    if (sameCell)   // the other client's entry came after the cascade's statement began: it stays
        QCOMPARE(Fixture::hoursCell(ivanov, 1, monday), 3);
}

void TestCatalogs::productChangeShowsClass()
{
    Fixture::classItem("Ящики");
    const int pallets = Fixture::classItem("Поддоны");
    Fixture::product("АА-1", 1, pallets);
    Fixture::product("ББ-1", 1, 0);
    MessageLog log;
    QStringList shownClass;
    inModal<TForm3>([&](TForm3* w) {
        inModal<TForm7>([&](TForm7* editor) { shownClass << editor->cb_item->currentText(); });
        w->Button2->click();
        DataModule6->Izdel->moveTo(2);
        inModal<TForm7>([&](TForm7* editor) {
            shownClass << editor->cb_item->currentText();
            editor->Button1->click();
        });
        w->Button2->click();
    });
    Form3->ShowBrowse();
    QCOMPARE(shownClass, (QStringList{"Поддоны", ""}));
    QCOMPARE(log.texts(), QStringList{"Все поля должны быть заполнены!"});
}

QTEST_MAIN(TestCatalogs)
#include "tst_catalogs.moc"
