#include "core/data_module.h"
#include "support/fixtures.h"
#include "support/test_database.h"

#include <QSqlError>
#include <QSqlQuery>

// The hours grid kept by the server: whoever writes the journal (here psql, as the ERP or a
// script would), every cell a statement touches equals the hours of its entries when the
// transaction commits.
namespace {

using namespace Fixture;

// The first column of each row of a statement on the program's connection; the server's error
// as the one text when it fails.
QStringList texts(const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
    if (!q.exec(statement))
        return {q.lastError().text()};
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// Every cell of the grid that differs from the journal's hours, and every cell of the journal
// without its row, as "w_id/shift year-month day: grid <> journal".
QStringList gridMismatches()
{
    const QString statement = QStringLiteral(
        "with journal as (select w_id, smena, date_part('year', data)::int y, date_part('month', data)::int m, "
        "                        date_part('day', data)::int d, sum(time)::int hours "
        "                   from accounts_dep.smena where w_id is not null and smena is not null and data is not null "
        "                  group by 1, 2, 3, 4, 5), "
        "grid as (select h.w_id, h.smena, h.year y, h.month m, c.d::int, c.hours "
        "           from accounts_dep.h_tabel h, unnest(array[d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, "
        "                d16, d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31]) with ordinality c(hours, d)) "
        "select format('%s/%s %s-%s %s: %s <> %s', coalesce(g.w_id, j.w_id), coalesce(g.smena, j.smena), coalesce(g.y, j.y), "
        "              coalesce(g.m, j.m), coalesce(g.d, j.d), coalesce(g.hours::text, 'no row'), coalesce(j.hours, 0)) "
        "  from grid g full join journal j on (g.w_id, g.smena, g.y, g.m, g.d) = (j.w_id, j.smena, j.y, j.m, j.d) "
        " where g.hours is distinct from coalesce(j.hours, 0) order by 1");
    return texts(statement);
}

// The grid as a text: a row per worker, shift and month with its days that are not 0
// ("Иванов И.И. 1 2024-03: 5=7 6=8"; "-" for a row of zeros).
QStringList gridRows()
{
    const QString statement = QStringLiteral(
        "select format('%s %s %s-%s: %s', p.fio, h.smena, h.year, lpad(h.month::text, 2, '0'), "
        "              coalesce((select string_agg(c.d || '=' || c.hours, ' ' order by c.d) "
        "                          from unnest(array[d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, "
        "                               d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31]) with ordinality c(hours, d) "
        "                         where c.hours <> 0), '-')) "
        "  from accounts_dep.h_tabel h join accounts_dep.person p on p.id = h.w_id order by 1");
    return texts(statement);
}

// Runs a psql script to its end; answers its output when it failed.
QString runOther(const QString& script)
{
    std::unique_ptr<QProcess> psql = TestDb::startScript(script);
    if (!psql->waitForFinished(60000))
        return QStringLiteral("psql did not finish");
    const QString output = QString::fromUtf8(psql->readAll());
    return psql->exitCode() == 0 ? QString() : output.isEmpty() ? QStringLiteral("psql failed") : output;
}

const QString Columns = QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok) ");

} // namespace

class TestHours : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyWriterKeepsTheGrid_data();
    void everyWriterKeepsTheGrid();
    void truncateLeavesZeros();
    void rowsComeAndStay_data();
    void rowsComeAndStay();
    void closedMonthRefusesTheWholeStatement_data();
    void closedMonthRefusesTheWholeStatement();
    void concurrentWritersOfTheSameCells_data();
    void concurrentWritersOfTheSameCells();

private:
    // `script` with {ivanov}, {petrov}, {sidorov}, {product} and {operation} filled in.
    QString filled(QString script) const;

    Floor m_floor;
};

void TestHours::initTestCase()
{
    TestDb::setUp();
}

void TestHours::cleanupTestCase()
{
    TestDb::tearDown();
}

// A journal over March and April 2024, its grid made by the server as the entries went in.
void TestHours::init()
{
    TestDb::resetData();
    m_floor = makeFloor();
    const Floor& f = m_floor;
    entry(f, f.ivanov, QDate(2024, 3, 5), 1, 4);
    entry(f, f.ivanov, QDate(2024, 3, 5), 1, 3, "ok");
    entry(f, f.ivanov, QDate(2024, 3, 6), 1, 8);
    entry(f, f.ivanov, QDate(2024, 4, 1), 2, 5);
    entry(f, f.petrov, QDate(2024, 3, 5), 1, 6);
    entry(f, f.petrov, QDate(2024, 3, 31), 4, 2);
    entry(f, f.sidorov, QDate(2024, 4, 15), 3, 7);
    QCOMPARE(gridRows(), (QStringList{"Иванов И.И. 1 2024-03: 5=7 6=8", "Иванов И.И. 2 2024-04: 1=5", "Петров П.П. 1 2024-03: 5=6",
                                      "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 3 2024-04: 15=7"}));
}

QString TestHours::filled(QString script) const
{
    return script.replace("{ivanov}", QString::number(m_floor.ivanov))
        .replace("{petrov}", QString::number(m_floor.petrov))
        .replace("{sidorov}", QString::number(m_floor.sidorov))
        .replace("{product}", QString::number(m_floor.product))
        .replace("{operation}", QString::number(m_floor.operation));
}

void TestHours::everyWriterKeepsTheGrid_data()
{
    QTest::addColumn<QString>("script");
    const QString values = Columns + "values ";
    QTest::newRow("one entry") << values + "('2024-03-05', 1, {ivanov}, {product}, {operation}, 10, 5, 0, 0, 2, 'no');";
    QTest::newRow("a batch over two months and every shift")
        << Columns + "select date '2024-03-20' + g % 25, 1 + g % 4, case g % 3 when 0 then {ivanov} when 1 then {petrov} else {sidorov} end, "
                     "{product}, {operation}, 10, 5, 0, 0, g % 9, 'no' from generate_series(1, 500) g;";
    QTest::newRow("copy") << "copy accounts_dep.smena (data, smena, w_id, i_id, o_id, time, ok) from stdin;\n"
                             "2024-03-05\t1\t{ivanov}\t{product}\t{operation}\t1\tno\n"
                             "2024-03-07\t1\t{ivanov}\t{product}\t{operation}\t6\tno\n"
                             "2024-04-30\t2\t{petrov}\t{product}\t{operation}\t9\tok\n"
                             "\\.\n";
    QTest::newRow("entries without a worker, shift or day") << values + "(null, 1, {ivanov}, 1, 1, 1, 1, 0, 0, 3, 'no'), "
                                                                        "('2024-03-05', null, {ivanov}, 1, 1, 1, 1, 0, 0, 3, 'no'), "
                                                                        "('2024-03-05', 1, null, 1, 1, 1, 1, 0, 0, 3, 'no');";
    QTest::newRow("hours changed") << "update accounts_dep.smena set time = 10 where w_id = {ivanov} and data = '2024-03-05';";
    QTest::newRow("hours emptied") << "update accounts_dep.smena set time = null where w_id = {ivanov} and time = 4;";
    QTest::newRow("moved to another worker") << "update accounts_dep.smena set w_id = {petrov} where w_id = {ivanov} and data = '2024-03-06';";
    QTest::newRow("moved to another shift") << "update accounts_dep.smena set smena = 3 where w_id = {ivanov} and time = 3;";
    QTest::newRow("moved to another day") << "update accounts_dep.smena set data = '2024-03-07' where w_id = {ivanov} and time = 4;";
    QTest::newRow("moved to another month") << "update accounts_dep.smena set data = '2024-04-02' where data = '2024-03-06';";
    QTest::newRow("worker, shift and day at once") << "update accounts_dep.smena set w_id = {sidorov}, smena = 2, data = '2024-04-30' "
                                                      "where w_id = {petrov} and data = '2024-03-05';";
    QTest::newRow("every entry 20 days on, across the months") << "update accounts_dep.smena set data = data + 20;";
    QTest::newRow("two workers swapped in one statement")
        << "update accounts_dep.smena set w_id = case w_id when {ivanov} then {petrov} else {ivanov} end where w_id in ({ivanov}, {petrov});";
    QTest::newRow("acceptance only") << "update accounts_dep.smena set ok = 'ok';";
    QTest::newRow("one deleted") << "delete from accounts_dep.smena where time = 3;";
    QTest::newRow("a month deleted") << "delete from accounts_dep.smena where data < '2024-04-01';";
    QTest::newRow("everything deleted") << "delete from accounts_dep.smena;";
    QTest::newRow("several statements in one transaction")
        << "begin;\n" + values + "('2024-03-06', 1, {ivanov}, {product}, {operation}, 10, 5, 0, 0, 1, 'no');\n"
               "update accounts_dep.smena set data = '2024-04-01', smena = 2 where time = 8;\n"
               "delete from accounts_dep.smena where time = 4;\ncommit;";
    QTest::newRow("rolled back") << "begin;\n" + values + "('2024-03-06', 1, {sidorov}, {product}, {operation}, 10, 5, 0, 0, 1, 'no');\nrollback;";
}

void TestHours::everyWriterKeepsTheGrid()
{
    QFETCH(QString, script);
    const QString problem = runOther(filled(script));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(gridMismatches(), QStringList());
}

// Only the tables' owner may empty the journal at once; the grid follows that too.
void TestHours::truncateLeavesZeros()
{
    TestDb::execAsOwner("truncate accounts_dep.smena");
    QCOMPARE(gridMismatches(), QStringList());
    QCOMPARE(TestDb::scalar("select count(*) from accounts_dep.h_tabel").toInt(), 5);
}

void TestHours::rowsComeAndStay_data()
{
    QTest::addColumn<QString>("before");   // run on the program's connection first
    QTest::addColumn<QString>("script");   // then by psql
    QTest::addColumn<QStringList>("rows");
    const QString insert = Columns + "values ";
    QTest::newRow("a worker's first entry of a month makes his row, the other days 0")
        << "" << insert + "('2024-05-07', 1, {ivanov}, {product}, {operation}, 10, 5, 0, 0, 6, 'no');"
        << QStringList{"Иванов И.И. 1 2024-03: 5=7 6=8", "Иванов И.И. 1 2024-05: 7=6", "Иванов И.И. 2 2024-04: 1=5",
                       "Петров П.П. 1 2024-03: 5=6", "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 3 2024-04: 15=7"};
    QTest::newRow("a first entry of 0 hours too") << "" << insert + "('2024-05-07', 1, {sidorov}, {product}, {operation}, 10, 5, 0, 0, 0, 'no');"
        << QStringList{"Иванов И.И. 1 2024-03: 5=7 6=8", "Иванов И.И. 2 2024-04: 1=5", "Петров П.П. 1 2024-03: 5=6",
                       "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 1 2024-05: -", "Сидоров С.С. 3 2024-04: 15=7"};
    QTest::newRow("a row whose entries are all gone stays with zeros") << "" << "delete from accounts_dep.smena where w_id = {ivanov};"
        << QStringList{"Иванов И.И. 1 2024-03: -", "Иванов И.И. 2 2024-04: -", "Петров П.П. 1 2024-03: 5=6",
                       "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 3 2024-04: 15=7"};
    QTest::newRow("a deletion never makes a row") << "delete from accounts_dep.h_tabel where w_id = {ivanov}"
        << "delete from accounts_dep.smena where w_id = {ivanov};"
        << QStringList{"Петров П.П. 1 2024-03: 5=6", "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 3 2024-04: 15=7"};
    QTest::newRow("a move makes the row it goes to, never the one it leaves")
        << "delete from accounts_dep.h_tabel where smena = 1"
        << "update accounts_dep.smena set w_id = {sidorov} where w_id = {ivanov} and data = '2024-03-06';"
        << QStringList{"Иванов И.И. 2 2024-04: 1=5", "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 1 2024-03: 6=8",
                       "Сидоров С.С. 3 2024-04: 15=7"};
    QTest::newRow("days no statement touched keep a hand edit")
        << "update accounts_dep.h_tabel set d20 = 9, d5 = 1 where w_id = {ivanov} and smena = 1"
        << insert + "('2024-03-21', 1, {ivanov}, {product}, {operation}, 10, 5, 0, 0, 4, 'no');"
        << QStringList{"Иванов И.И. 1 2024-03: 5=1 6=8 20=9 21=4", "Иванов И.И. 2 2024-04: 1=5", "Петров П.П. 1 2024-03: 5=6",
                       "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 3 2024-04: 15=7"};
}

void TestHours::rowsComeAndStay()
{
    QFETCH(QString, before);
    QFETCH(QString, script);
    QFETCH(QStringList, rows);
    if (!before.isEmpty())
        TestDb::exec(filled(before));
    const QString problem = runOther(filled(script));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(gridRows(), rows);
}

void TestHours::closedMonthRefusesTheWholeStatement_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a batch into an open and a closed month")
        << Columns + "values ('2024-04-03', 1, {petrov}, 1, 1, 1, 1, 0, 0, 3, 'no'), ('2024-03-03', 1, {petrov}, 1, 1, 1, 1, 0, 0, 3, 'no');"
        << true;
    QTest::newRow("a move out of the closed month") << "update accounts_dep.smena set data = '2024-04-06' where data = '2024-03-06';" << true;
    QTest::newRow("a move into the closed month") << "update accounts_dep.smena set data = '2024-03-16' where data = '2024-04-15';" << true;
    QTest::newRow("a delete over both months") << "delete from accounts_dep.smena where w_id = {ivanov};" << true;
    QTest::newRow("a change in the open month") << "update accounts_dep.smena set time = 1 where data >= '2024-04-01';" << false;
}

// The grid of a closed month is what was paid: a statement that would change it is refused
// whole, the open month's cells included.
void TestHours::closedMonthRefusesTheWholeStatement()
{
    QFETCH(QString, script);
    QFETCH(bool, refused);
    TestDb::execAsOwner("insert into accounts_dep.closed_month (month, year) values (3, 2024)");
    const QStringList before = gridRows();
    const QString problem = runOther(filled(script));
    QCOMPARE(problem.contains(QStringLiteral("Месяц Март 2024 закрыт. Изменения не записаны.")), refused);
    QCOMPARE(gridMismatches(), QStringList());
    if (refused)
        QCOMPARE(gridRows(), before);
    else
        QCOMPARE(gridRows(), (QStringList{"Иванов И.И. 1 2024-03: 5=7 6=8", "Иванов И.И. 2 2024-04: 1=1", "Петров П.П. 1 2024-03: 5=6",
                                          "Петров П.П. 4 2024-03: 31=2", "Сидоров С.С. 3 2024-04: 15=1"}));
}

void TestHours::concurrentWritersOfTheSameCells_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    const QString batch = Columns + "select date '2024-03-01' + mod(g, 40), 1, case when mod(g, 2) = 0 then {ivanov} else {petrov} end, "
                                    "{product}, {operation}, 10, 5, 0, 0, %1, 'no' from generate_series(1, 200) g order by g %2;";
    QTest::newRow("two batches, cells in opposite orders") << batch.arg("1", "asc") << batch.arg("2", "desc");
    QTest::newRow("a batch, then a delete of the same days") << batch.arg("1", "asc")
                                                             << QString("delete from accounts_dep.smena where w_id = {ivanov};");
    QTest::newRow("a delete, then a batch") << QString("delete from accounts_dep.smena where w_id = {ivanov};") << batch.arg("1", "asc");
    QTest::newRow("a batch, then a move into its cells")
        << batch.arg("1", "asc") << QString("update accounts_dep.smena set w_id = {petrov}, data = data + 1 where w_id = {ivanov};");
}

// Two writers (READ COMMITTED) whose statements touch the same cells: the first holds its
// transaction open until the second waits for it. Both commit, no hours are lost, no deadlock.
void TestHours::concurrentWritersOfTheSameCells()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    std::unique_ptr<QProcess> one = TestDb::startScript(filled(
        "begin;\n" + first + "\nselect pg_advisory_lock(4713);\n"
        "do $$ declare started timestamptz := clock_timestamp(); begin\n"
        "  while not exists (select 1 from pg_locks l join pg_stat_activity a on a.pid = l.pid\n"
        "                    where not l.granted and a.datname = current_database())\n"
        "        and clock_timestamp() < started + interval '20 seconds' loop\n"
        "    perform pg_sleep(0.01);\n"
        "    perform pg_stat_clear_snapshot();   -- sees the backend started after the loop\n"
        "  end loop;\n"
        "end $$;\n"
        "commit;\n"));
    QTRY_COMPARE(TestDb::scalar("select count(*) from pg_locks where locktype = 'advisory' and objid = 4713 and granted").toInt(), 1);
    std::unique_ptr<QProcess> two = TestDb::startScript(filled(second + "\n"));
    for (QProcess* p : {one.get(), two.get()}) {
        QVERIFY(p->waitForFinished(60000));
        QVERIFY2(p->exitCode() == 0, p->readAll().constData());
    }
    QCOMPARE(gridMismatches(), QStringList());
}

QTEST_MAIN(TestHours)
#include "tst_hours.moc"
