#include "support/fixtures.h"

#include "support/test_database.h"
#include "core/data_module.h"
#include "journal/journal_window.h"
#include "toolkit/clock.h"
#include "toolkit/sql_text.h"

namespace Fixture {

int classItem(const QString& caption)
{
    return TestDb::scalar(QStringLiteral("insert into cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption) "
                                         "values ((select coalesce(max(id),0)+1 from cmn_classifier.item), 1, 2, '', %1) returning id")
                              .arg(sqlQuote(caption)))
        .toInt();
}

int product(const QString& mark, double massa, int classItemId)
{
    return TestDb::scalar(QStringLiteral("insert into cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, id_class_item) "
                                         "values (%1, '', 6, %2, %3) returning id")
                              .arg(sqlQuote(mark), sqlNumber(massa), classItemId ? sqlNumber(classItemId) : QStringLiteral("NULL")))
        .toInt();
}

int operationType(const QString& name)
{
    return TestDb::scalar(QStringLiteral("insert into accounts_dep.vid_oper (vid) values (%1) returning id").arg(sqlQuote(name))).toInt();
}

int operation(int productId, int typeId, int naimen, double price)
{
    return TestDb::scalar(QStringLiteral("insert into accounts_dep.oper (vid, naimen, i_id, cena_new) values (%1, %2, %3, %4) returning id")
                              .arg(typeId).arg(naimen).arg(productId).arg(sqlNumber(price)))
        .toInt();
}

int worker(const QString& fio, const QString& position)
{
    return TestDb::scalar(QStringLiteral("insert into accounts_dep.person (fio, s_staffpos_hl) values (%1, %2) returning id")
                              .arg(sqlQuote(fio), sqlQuote(position)))
        .toInt();
}

int entry(const Entry& e)
{
    return TestDb::scalar(
               QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod, "
                              "prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) values "
                              "(%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12, 0, 0, 0, 0, 0, 0) returning id")
                   .arg(sqlDate(e.date))
                   .arg(e.shift)
                   .arg(e.worker)
                   .arg(e.product)
                   .arg(e.operation)
                   .arg(sqlNumber(e.price))
                   .arg(e.quantity)
                   .arg(e.defects)
                   .arg(e.color)
                   .arg(e.hours)
                   .arg(sqlQuote(e.ok), sqlDate(e.date)))
        .toInt();
}

int hoursCell(int worker, int shift, const QDate& date)
{
    return TestDb::scalar(QStringLiteral("select d%1 from accounts_dep.h_tabel where w_id=%2 and smena=%3 and month=%4 and year=%5")
                              .arg(date.day())
                              .arg(worker)
                              .arg(shift)
                              .arg(date.month())
                              .arg(date.year()))
        .toInt();
}

GridTrigger::GridTrigger(const QString& body)
{
    TestDb::execAsOwner(QStringLiteral("create or replace function public.h_tabel_test() returns trigger language plpgsql as $$ begin ")
                 + body + QStringLiteral(" end $$"));
    TestDb::execAsOwner(QStringLiteral("create trigger h_tabel_test before insert or update on accounts_dep.h_tabel "
                                "for each row execute function public.h_tabel_test()"));
}

GridTrigger::~GridTrigger()
{
    lift();
}

void GridTrigger::lift()
{
    if (!m_on)
        return;
    m_on = false;
    TestDb::execAsOwner(QStringLiteral("drop trigger h_tabel_test on accounts_dep.h_tabel"));
    TestDb::execAsOwner(QStringLiteral("drop function public.h_tabel_test()"));
}

Floor makeFloor()
{
    Floor f;
    f.ivanov = worker(QStringLiteral("Иванов И.И."));
    f.petrov = worker(QStringLiteral("Петров П.П."));
    f.sidorov = worker(QStringLiteral("Сидоров С.С."));
    f.product = product(QStringLiteral("Ящик Я-1"));
    f.operation = operation(f.product, operationType(QStringLiteral("Сборка")));
    return f;
}

int entry(const Floor& f, int worker, const QDate& date, int shift, int hours, const QString& ok)
{
    Entry e;
    e.date = date;
    e.shift = shift;
    e.worker = worker;
    e.product = f.product;
    e.operation = f.operation;
    e.hours = hours;
    e.ok = ok;
    return entry(e);
}

EntryValues editorEntry(const Floor& f, int worker, const QDate& date, int shift)
{
    EntryValues e;
    e.worker = worker;
    e.operation = f.operation;
    e.product = f.product;
    e.shift = shift;
    e.price = 10;
    e.date = date;
    e.quantity = QStringLiteral("5");
    e.defects = QStringLiteral("0");
    e.hours = QStringLiteral("4");
    e.today = date;
    return e;
}

void hoursRow(int worker, int shift, const QDate& month, const Days& days)
{
    QStringList columns{"w_id", "smena", "month", "year"};
    QStringList values{QString::number(worker), QString::number(shift), QString::number(month.month()), QString::number(month.year())};
    QStringList set{"w_id=excluded.w_id"};
    for (const auto& [day, hours] : days) {
        columns << QStringLiteral("d%1").arg(day);
        values << QString::number(hours);
        set << QStringLiteral("d%1=excluded.d%1").arg(day);
    }
    TestDb::exec(QStringLiteral("insert into accounts_dep.h_tabel (%1) values (%2) on conflict (w_id, smena, month, year) do update set %3")
                     .arg(columns.join(", "), values.join(", "), set.join(", ")));
}

Floor floorOfTwoEntries(const QDate& day)
{
    TestDb::resetData();
    const Floor floor = makeFloor();
    entry(floor, floor.ivanov, day);
    entry(floor, floor.sidorov, day);
    Clock::setToday(day);
    return floor;
}

void showJournal(const QDate& day)
{
    Form1->FSignInCode.clear();
    for (Dataset* set : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        set->setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    Form1->show();   // its first activation reads the lists of today
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    Form1->RadioButton1->setChecked(true);
}

} // namespace Fixture
