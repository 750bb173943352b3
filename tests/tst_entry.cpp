#include "app/application.h"
#include "catalogs/operations_window.h"
#include "catalogs/workers_window.h"
#include "core/data_module.h"
#include "journal/entry_deletion.h"
#include "journal/entry_editor.h"
#include "journal/entry_statements.h"
#include "journal/journal_window.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "toolkit/clock.h"

// The entry editor: its texts and statements, and the road of one entry through the real
// windows (journal → editor → workers and operations lists → save → hours grid).
class TestEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void fourDecimals_data();
    void fourDecimals();
    void digitFields_data();
    void digitFields();
    void statementsAsTheDatabaseReadsThem();

    void roadOfOneEntry();
    void priceShownForDayOffOvertime();
    void paintOperationNeedsColour();
    void emptyQuantityBecomesZeroOnLeaving();
    void duplicatesInAddMode();
    void duplicatesInChangeMode();
    void changeKeepsAcceptanceAndMovesHours();
    void numbersBeyondTheirBounds_data();
    void numbersBeyondTheirBounds();
    void changeOnEmptyListDoesNothing();
    void entryAndHoursTogether_data();
    void entryAndHoursTogether();
    void concurrentChangesOfOneDay_data();
    void concurrentChangesOfOneDay();
    void staleListKeepsGridInStep_data();
    void staleListKeepsGridInStep();

private:
    // Opens the editor from the journal and runs `fill` on it; the editor is closed afterwards
    // when `fill` left it open.
    void withEditor(bool change, const std::function<void(TForm11*)>& fill);
    void pickWorker(TForm11* editor, const QString& fio);
    void pickOperation(TForm11* editor, int operationId);
    // A new entry of m_worker on m_assembly, saved from the editor.
    void fillNewEntry(TForm11* editor, const QString& hours);

    int m_worker = 0;
    int m_other = 0;
    int m_product = 0;
    int m_assembly = 0;
    int m_painting = 0;
};

void TestEntry::initTestCase()
{
    TestDb::setUp();
    createForms();
}

void TestEntry::cleanupTestCase()
{
    destroyForms();
    TestDb::tearDown();
}

void TestEntry::init()
{
    TestDb::resetData();
    Clock::setToday(QDate(2024, 3, 5));   // a Tuesday
    m_worker = Fixture::worker("Иванов Иван Петрович");
    m_other = Fixture::worker("Петров Пётр Ильич");
    m_product = Fixture::product("ЯП-12", 2.5);
    m_assembly = Fixture::operation(m_product, Fixture::operationType("Сборка"), 0, 10);
    m_painting = Fixture::operation(m_product, Fixture::operationType("Покраска (краска)"), 1, 1.5);
    Form1->DateT->setDate(QDate(2024, 3, 5));
    Form1->CBox1->setChecked(false);
    Form1->RadioButton1->setChecked(true);
    Form1->FShift = 1;
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4}) {
        set->setParam("ok", "ta");
        set->setParam("data", QDate(2024, 3, 5));
    }
    Form1->FShiftDataset = DataModule6->Smena1;
    DataModule6->Smena1->refresh();
}

void TestEntry::fourDecimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("half down to even") << 1.03125 << "1,0312";
    QTest::newRow("half up to even") << 1.09375 << "1,0938";
    QTest::newRow("whole") << 30.0 << "30";
    QTest::newRow("one decimal") << 12.5 << "12,5";
    QTest::newRow("four decimals") << 0.1234 << "0,1234";
    QTest::newRow("rounded") << 1.0 / 3 << "0,3333";
    QTest::newRow("zero") << 0.0 << "0";
}

void TestEntry::fourDecimals()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(fourDecimalText(value), text);
}

void TestEntry::digitFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("largest");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("fits") << "250" << qint64(2147483647) << true;
    QTest::newRow("leading zeros") << "0007" << qint64(32767) << true;
    QTest::newRow("largest integer") << "2147483647" << qint64(2147483647) << true;
    QTest::newRow("integer overflow") << "2147483648" << qint64(2147483647) << false;
    QTest::newRow("smallint overflow") << "40000" << qint64(32767) << false;
    QTest::newRow("huge") << "99999999999999999999999" << qint64(2147483647) << false;
    QTest::newRow("pasted letters") << "12a" << qint64(2147483647) << false;
    QTest::newRow("pasted minus") << "-5" << qint64(2147483647) << false;
    QTest::newRow("arabic-indic digit") << "١" << qint64(2147483647) << false;
}

void TestEntry::digitFields()
{
    QFETCH(QString, text);
    QFETCH(qint64, largest);
    QFETCH(bool, accepted);
    QCOMPARE(digitFieldProblem("Кол-во", text, largest).isEmpty(), accepted);
}

void TestEntry::statementsAsTheDatabaseReadsThem()
{
    EntryValues e;
    e.worker = m_worker;
    e.operation = m_assembly;
    e.product = m_product;
    e.shift = 4;
    e.price = 1.03125;
    e.date = QDate(2024, 3, 9);
    e.quantity = "3";
    e.defects = "1";
    e.hours = "7";
    e.color = 0;
    e.today = QDate(2024, 3, 11);
    QVERIFY(insertStatement(e).contains(", 1.0312,3, 1, to_date('09.03.2024', 'DD.MM.YYYY HH24:MI:SS'), 4, 0, 7, '11.03.2024', 'no', 0, 0, 0, 0, 0, 0)"));
    TestDb::exec(insertStatement(e));
    QCOMPARE(TestDb::scalar(duplicateStatement(e)).toInt(), 1);
    QCOMPARE(TestDb::scalar("select concat_ws('|', data, smena, cena, kol_vo, brak, time, ok, vvod, prize, id_doc, id_doc_item, "
                            "f_gds_qty_use, id_gds_use, id_cons_use) from accounts_dep.smena")
                 .toString(),
             QString("2024-03-09|4|1.0312|3|1|7|no|2024-03-11 00:00:00|0|0|0|0|0|0"));
    e.id = TestDb::scalar("select id from accounts_dep.smena").toInt();
    QCOMPARE(TestDb::scalar(duplicateStatement(e)).toInt(), 0);   // an entry is no copy of itself
    e.quantity = "5";
    e.date = QDate(2024, 3, 10);
    TestDb::exec(updateStatement(e));
    QCOMPARE(TestDb::scalar("select concat_ws('|', data, kol_vo, ok) from accounts_dep.smena").toString(), QString("2024-03-10|5|no"));
}

void TestEntry::withEditor(bool change, const std::function<void(TForm11*)>& fill)
{
    QVERIFY(expectModal<TForm11>([change] { QTest::mouseClick(change ? Form1->Button2 : Form1->Button1, Qt::LeftButton); },
                                 [fill](TForm11* editor) {
                                     fill(editor);
                                     if (editor->isVisible())
                                         editor->reject();
                                 }));
}

void TestEntry::pickWorker(TForm11* editor, const QString& fio)
{
    QVERIFY(expectModal<TForm5>([editor] { QTest::mouseClick(editor->Button3, Qt::LeftButton); },
                                [fio](TForm5* list) {
                                    QVERIFY(DataModule6->Workers->locate("fio", fio));
                                    QTest::mouseClick(list->Button2, Qt::LeftButton);
                                }));
}

void TestEntry::pickOperation(TForm11* editor, int operationId)
{
    QVERIFY(expectModal<TForm4>([editor] { QTest::mouseClick(editor->Button4, Qt::LeftButton); },
                                [operationId](TForm4* list) {
                                    QVERIFY(DataModule6->Oper->locate("id", operationId));
                                    QTest::mouseClick(list->Button2, Qt::LeftButton);
                                }));
}

void TestEntry::fillNewEntry(TForm11* editor, const QString& hours)
{
    pickWorker(editor, "Иванов Иван Петрович");
    pickOperation(editor, m_assembly);
    editor->Edit3->setText("10");
    editor->Edit6->setText(hours);
}

void TestEntry::roadOfOneEntry()
{
    MessageLog log;
    withEditor(false, [this](TForm11* editor) {
        QCOMPARE(editor->windowTitle(), QString("Заведение новой позиции"));
        QCOMPARE(QApplication::focusWidget(), editor->Button3);
        pickWorker(editor, "Иванов Иван Петрович");
        QCOMPARE(editor->Edit1->text(), QString("Иванов Иван Петрович"));
        pickOperation(editor, m_assembly);
        QCOMPARE(editor->Edit2->text(), QString("ЯП-12; Сборка; Готовая продукция"));
        QVERIFY(!editor->Edit5->isEnabled());
        QCOMPARE(editor->Edit8->text(), QString("10"));
        editor->Edit3->clear();
        QTest::keyClicks(editor->Edit3, "12x-,5");   // only digits get through
        QCOMPARE(editor->Edit3->text(), QString("125"));
        editor->Edit4->setText("2");
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        editor->Edit6->setFocus();
        editor->Edit6->setText("6");
        editor->Recalculate();
        QCOMPARE(editor->Edit9->text(), QString("1250"));
        QTest::keyClick(editor->Edit6, Qt::Key_Return);   // Enter saves from any field
        QVERIFY(!editor->isVisible());
        for (QLineEdit* edit : {editor->Edit1, editor->Edit2, editor->Edit3, editor->Edit4, editor->Edit5, editor->Edit6,
                                editor->Edit7, editor->Edit8, editor->Edit9})
            QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName() + " holds " + edit->text()));
    });
    QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    QCOMPARE(TestDb::scalar("select concat_ws('|', w_id = " + QString::number(m_worker) + ", o_id, i_id, cena, kol_vo, brak, color, time, ok, vvod::date, "
                            "prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) from accounts_dep.smena")
                 .toString(),
             QString("t|%1|%2|10|125|2|0|6|no|2024-03-05|0|0|0|0|0|0").arg(m_assembly).arg(m_product));
    QCOMPARE(Fixture::hoursCell(m_worker, 1, QDate(2024, 3, 5)), 6);
    QCOMPARE(DataModule6->Smena1->recordCount(), 1);
    QCOMPARE(DataModule6->Smena1->value("ok").toString(), QString("no"));
}

void TestEntry::priceShownForDayOffOvertime()
{
    Form1->CBox1->setChecked(true);
    Form1->RadioButton4->setChecked(true);
    Form1->FShift = 4;
    Form1->FShiftDataset = DataModule6->Smena4;
    withEditor(false, [this](TForm11* editor) {
        pickOperation(editor, m_assembly);
        QCOMPARE(editor->Edit7->text(), QString("30"));
        QCOMPARE(editor->Edit8->text(), QString("10"));
        Form1->CBox1->setChecked(false);   // only the moment of choosing counts
        editor->Recalculate();
        QCOMPARE(editor->Edit7->text(), QString("30"));
    });
}

void TestEntry::paintOperationNeedsColour()
{
    MessageLog log;
    withEditor(false, [this, &log](TForm11* editor) {
        pickWorker(editor, "Иванов Иван Петрович");
        pickOperation(editor, m_painting);
        QVERIFY(editor->Edit5->isEnabled());
        QVERIFY(editor->Label6->isEnabled());
        editor->Edit3->setText("3");
        editor->Recalculate();
        QCOMPARE(editor->Edit9->text(), QString("4,5"));
        editor->Edit4->setText("2");
        editor->Recalculate();
        QCOMPARE(editor->Edit9->text(), QString("4,5"));   // defects are not subtracted
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
        QCOMPARE(log.texts(), QStringList{"Все поля должны быть заполнены!"});
        QVERIFY(editor->isVisible());
        editor->Edit5->setText("9003");
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
        QVERIFY(!editor->isVisible());
        // A non-paint operation stores colour 0, whatever was typed before.
    });
    withEditor(false, [this](TForm11* editor) {
        pickWorker(editor, "Иванов Иван Петрович");
        pickOperation(editor, m_assembly);
        QVERIFY(!editor->Edit5->isEnabled());
        editor->Edit3->setText("1");
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
    });
    QCOMPARE(TestDb::scalar("select string_agg(color::text, ',' order by color) from accounts_dep.smena").toString(), QString("0,9003"));
}

void TestEntry::emptyQuantityBecomesZeroOnLeaving()
{
    withEditor(false, [this](TForm11* editor) {
        pickWorker(editor, "Иванов Иван Петрович");
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        editor->Edit3->setFocus();
        editor->Edit6->clear();
        editor->Edit4->setFocus();   // leaving the quantity
        QCOMPARE(editor->Edit3->text(), QString("0"));
        QCOMPARE(editor->Edit6->text(), QString("0"));
    });
}

void TestEntry::duplicatesInAddMode()
{
    MessageLog log;
    auto add = [this](const QString& colour) {
        withEditor(false, [this, colour](TForm11* editor) {
            pickWorker(editor, "Иванов Иван Петрович");
            pickOperation(editor, m_painting);
            editor->Edit3->setText("10");
            editor->Edit5->setText(colour);
            QTest::mouseClick(editor->Button1, Qt::LeftButton);
        });
    };
    add("1");
    add("2");
    QVERIFY(log.shown().isEmpty());
    add("1");
    QCOMPARE(log.texts(), QStringList{"Позиция с такими параметрами уже заведена!"});
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 2);
}

void TestEntry::duplicatesInChangeMode()
{
    MessageLog log;
    Fixture::entry({QDate(2024, 3, 5), 1, m_worker, m_assembly, m_product, 10, 5});
    Fixture::entry({QDate(2024, 3, 5), 1, m_other, m_assembly, m_product, 10, 7});
    DataModule6->Smena1->refresh();
    QVERIFY(DataModule6->Smena1->locate("w_id", m_worker));
    withEditor(true, [](TForm11* editor) {
        QCOMPARE(editor->windowTitle(), QString("Изменение данных о позиции"));
        QTest::mouseClick(editor->Button1, Qt::LeftButton);   // unchanged: accepted
        QVERIFY(!editor->isVisible());
    });
    QVERIFY(log.shown().isEmpty());
    QVERIFY(DataModule6->Smena1->locate("w_id", m_worker));
    withEditor(true, [this](TForm11* editor) {
        pickWorker(editor, "Петров Пётр Ильич");   // now a copy of the other entry
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
        QVERIFY(editor->isVisible());
    });
    QCOMPARE(log.texts(), QStringList{"Позиция с такими параметрами уже заведена!"});
}

void TestEntry::changeKeepsAcceptanceAndMovesHours()
{
    Fixture::entry({QDate(2024, 3, 5), 1, m_worker, m_assembly, m_product, 10, 5, 0, 0, 4, "ok"});
    Fixture::entry({QDate(2024, 3, 5), 1, m_worker, m_painting, m_product, 1.5, 5, 0, 3, 3});
    QCOMPARE(Fixture::hoursCell(m_worker, 1, QDate(2024, 3, 5)), 7);
    DataModule6->Smena1->refresh();
    QVERIFY(DataModule6->Smena1->locate("ok", "ok"));
    const int recNo = DataModule6->Smena1->recNo();
    withEditor(true, [](TForm11* editor) {
        QCOMPARE(editor->Edit6->text(), QString("4"));
        editor->DTimeP->setDate(QDate(2024, 3, 6));
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
    });
    QCOMPARE(TestDb::scalar("select ok from accounts_dep.smena where data='2024-03-06'").toString(), QString("ok"));
    QCOMPARE(Fixture::hoursCell(m_worker, 1, QDate(2024, 3, 5)), 3);
    QCOMPARE(Fixture::hoursCell(m_worker, 1, QDate(2024, 3, 6)), 4);
    QCOMPARE(DataModule6->Smena1->recordCount(), 1);   // moved off the shown day
    QVERIFY(DataModule6->Smena1->recNo() <= recNo);
}

void TestEntry::numbersBeyondTheirBounds_data()
{
    QTest::addColumn<QString>("defects");
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("refusedField");   // empty: saved
    QTest::newRow("defects beyond what the column holds") << "99999" << "8" << "Брак";
    QTest::newRow("more than a day") << "0" << "25" << "Время";
    QTest::newRow("a whole day") << "0" << "24" << "";
    QTest::newRow("pasted hours no cell could hold") << "0" << "2147483647" << "Время";
}

void TestEntry::numbersBeyondTheirBounds()
{
    QFETCH(QString, defects);
    QFETCH(QString, hours);
    QFETCH(QString, refusedField);
    MessageLog log;
    withEditor(false, [&](TForm11* editor) {
        fillNewEntry(editor, hours);
        editor->Edit4->setText(defects);   // pasted: the keyboard filter lets only digits in
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
        QCOMPARE(editor->isVisible(), !refusedField.isEmpty());
    });
    if (refusedField.isEmpty()) {
        QCOMPARE(log.shown().size(), 0);
        QCOMPARE(Fixture::hoursCell(m_worker, 1, QDate(2024, 3, 5)), hours.toInt());
        return;
    }
    QCOMPARE(log.shown().size(), 1);
    QVERIFY2(log.texts().first().contains(refusedField), qPrintable(log.texts().first()));
    QCOMPARE(log.shown().first().caption, QString("Ошибка"));
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 0);
}

void TestEntry::changeOnEmptyListDoesNothing()
{
    DataModule6->Smena1->refresh();
    QVERIFY(DataModule6->Smena1->isEmpty());
    QVERIFY(!expectModal<TForm11>([] { QTest::mouseClick(Form1->Button2, Qt::LeftButton); }, [](TForm11* editor) { editor->reject(); }));
}

void TestEntry::entryAndHoursTogether_data()
{
    QTest::addColumn<bool>("change");
    QTest::newRow("new entry") << false;
    QTest::newRow("change that moves the entry to another day") << true;
}

// A save whose hours fail writes neither the entry nor the grid, and the same save goes
// through once the grid takes writes again.
void TestEntry::entryAndHoursTogether()
{
    QFETCH(bool, change);
    const QDate day(2024, 3, 5);
    if (change) {
        Fixture::entry({day, 1, m_worker, m_assembly, m_product, 10, 5, 0, 0, 4});
        QCOMPARE(Fixture::hoursCell(m_worker, 1, day), 4);
        DataModule6->Smena1->refresh();
    }
    const QString journalBefore = TestDb::scalar("select string_agg(concat_ws('|', data, w_id, kol_vo, time), ';') from accounts_dep.smena").toString();
    Fixture::GridTrigger refused("raise exception 'h_tabel: записи в табель запрещены';");
    MessageLog log;
    withEditor(change, [&](TForm11* editor) {
        if (change) {
            editor->DTimeP->setDate(day.addDays(1));
            editor->Edit6->setText("7");
        } else {
            fillNewEntry(editor, "6");
        }
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
        QVERIFY(editor->isVisible());
        QCOMPARE(log.shown().size(), 1);
        QVERIFY(log.shown().first().icon == MessageBox::Icon::Stop);
        QVERIFY2(log.shown().first().detail.contains("записи в табель запрещены"), qPrintable(log.shown().first().detail));
        QCOMPARE(TestDb::scalar("select string_agg(concat_ws('|', data, w_id, kol_vo, time), ';') from accounts_dep.smena").toString(),
                 journalBefore);
        QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), change ? 1 : 0);
        QCOMPARE(Fixture::hoursCell(m_worker, 1, day), change ? 4 : 0);
        // What was typed is still there, and it saves once the grid is writable again.
        QCOMPARE(editor->Edit6->text(), QString(change ? "7" : "6"));
        refused.lift();
        QTest::mouseClick(editor->Button1, Qt::LeftButton);
        QVERIFY(!editor->isVisible());
    });
    QCOMPARE(log.shown().size(), 1);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), 1);
    QCOMPARE(Fixture::hoursCell(m_worker, 1, day), change ? 0 : 6);
    QCOMPARE(Fixture::hoursCell(m_worker, 1, day.addDays(1)), change ? 7 : 0);
}

void TestEntry::concurrentChangesOfOneDay_data()
{
    QTest::addColumn<bool>("deletion");    // this client deletes an entry of the day instead of saving one
    QTest::addColumn<bool>("rowBefore");
    QTest::addColumn<int>("hours");        // the day's hours afterwards
    QTest::newRow("two first entries of the month") << false << false << 8;
    QTest::newRow("two saves, the month's row there") << false << true << 8;
    QTest::newRow("a deletion while the other client holds the row") << true << true << 5;
}

// Another client has saved an entry of the same worker and day and commits only once this client
// has written too (or waits for it): the cell ends up holding the day's hours, in one row.
// (A sum taken in the statement that waited would miss the other entry; two clients that both
// found no row would add two.)
void TestEntry::concurrentChangesOfOneDay()
{
    QFETCH(bool, deletion);
    QFETCH(bool, rowBefore);
    QFETCH(int, hours);
    const QDate day(2024, 3, 5);
    if (rowBefore)
        TestDb::exec(QString("insert into accounts_dep.h_tabel (w_id, smena, month, year, d4, d5) values (%1, 1, 3, 2024, 2, 4)").arg(m_worker));
    const int doomed = deletion ? Fixture::entry({day, 1, m_worker, m_assembly, m_product, 10, 5, 0, 0, 4}) : 0;
    // Advisory lock 4711 tells the test that the other client holds the row.
    std::unique_ptr<QProcess> other = TestDb::startScript(
        QString("begin;\n"
                "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok)\n"
                "  values ('2024-03-05', 1, %1, %2, %3, 1.5, 3, 0, 1, 5, 'no');\n"
                "select pg_advisory_lock(4711);\n"
                // until this client waits for it or has written past it
                "do $$ declare started timestamptz := clock_timestamp();\n"
                "  entries bigint := (select count(*) from accounts_dep.smena where w_id = %1 and data = '2024-03-05');\n"
                "begin\n"
                "  while not exists (select 1 from pg_locks l join pg_stat_activity a on a.pid = l.pid\n"
                "                    where not l.granted and a.datname = current_database())\n"
                "        and entries = (select count(*) from accounts_dep.smena where w_id = %1 and data = '2024-03-05')\n"
                "        and clock_timestamp() < started + interval '20 seconds' loop\n"
                "    perform pg_sleep(0.01);\n"
                "  end loop;\n"
                "end $$;\n"
                "commit;\n"
                "select pg_advisory_unlock(4711);\n")
            .arg(m_worker).arg(m_product).arg(m_painting));
    QTRY_COMPARE(TestDb::scalar("select count(*) from pg_locks where locktype = 'advisory' and objid = 4711 and granted").toInt(), 1);

    MessageLog log;
    if (deletion) {
        DataModule6->Smena1->refresh();
        QVERIFY(DataModule6->Smena1->locate("id", doomed));
        deleteSelectedEntry(*DataModule6->Smena1);
        QCOMPARE(log.texts(), QStringList{"Удалить позицию из списка?"});
    } else {
        withEditor(false, [&](TForm11* editor) {
            fillNewEntry(editor, "3");
            QTest::mouseClick(editor->Button1, Qt::LeftButton);
            QVERIFY(!editor->isVisible());
        });
        QVERIFY2(log.shown().isEmpty(), qPrintable(log.texts().join("; ")));
    }
    QVERIFY(other->waitForFinished(30000));
    QVERIFY2(other->exitCode() == 0, other->readAll().constData());
    QCOMPARE(TestDb::scalar("select sum(time) from accounts_dep.smena where data = '2024-03-05'").toInt(), hours);
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), 1);
    QCOMPARE(Fixture::hoursCell(m_worker, 1, day), hours);
    QCOMPARE(Fixture::hoursCell(m_worker, 1, day.addDays(-1)), rowBefore ? 2 : 0);
}

void TestEntry::staleListKeepsGridInStep_data()
{
    QTest::addColumn<QString>("otherChange");   // by another client, after this one listed the entry
    QTest::addColumn<bool>("deletion");         // this client then deletes the entry instead of saving it
    QTest::addColumn<QList<int>>("cells");      // this worker's 5 and 6 March, the other worker's 5 March
    QTest::newRow("moved to another worker, saved back") << "update accounts_dep.smena set w_id = {other} where id = {id}" << false
                                                         << QList<int>{8, 0, 0};
    QTest::newRow("moved to another day, saved back") << "update accounts_dep.smena set data = '2024-03-06' where id = {id}" << false
                                                      << QList<int>{8, 0, 0};
    QTest::newRow("moved to another worker, deleted") << "update accounts_dep.smena set w_id = {other} where id = {id}" << true
                                                      << QList<int>{0, 0, 0};
    QTest::newRow("moved to another day, deleted") << "update accounts_dep.smena set data = '2024-03-06' where id = {id}" << true
                                                   << QList<int>{0, 0, 0};
}

// This client's list still shows the entry as it was when another client moves it: the save or
// the deletion that follows leaves no hours behind in the cell the other client moved it to.
void TestEntry::staleListKeepsGridInStep()
{
    QFETCH(QString, otherChange);
    QFETCH(bool, deletion);
    QFETCH(QList<int>, cells);
    const QDate day(2024, 3, 5);
    const int id = Fixture::entry({day, 1, m_worker, m_assembly, m_product, 10, 5, 0, 0, 8});
    DataModule6->Smena1->refresh();
    QVERIFY(DataModule6->Smena1->locate("id", id));
    const auto otherClient = [&] {
        std::unique_ptr<QProcess> other = TestDb::startScript(
            QString(otherChange).replace("{other}", QString::number(m_other)).replace("{id}", QString::number(id)) + ";\n");
        QVERIFY(other->waitForFinished(30000));
        QVERIFY2(other->exitCode() == 0, other->readAll().constData());
    };
    MessageLog log;
    if (deletion) {
        otherClient();
        deleteSelectedEntry(*DataModule6->Smena1);
    } else {
        withEditor(true, [&](TForm11* editor) {
            otherClient();
            QTest::mouseClick(editor->Button1, Qt::LeftButton);
            QVERIFY(!editor->isVisible());
        });
    }
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.smena").toInt(), deletion ? 0 : 1);
    QCOMPARE((QList<int>{Fixture::hoursCell(m_worker, 1, day), Fixture::hoursCell(m_worker, 1, day.addDays(1)),
                         Fixture::hoursCell(m_other, 1, day)}),
             cells);
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
