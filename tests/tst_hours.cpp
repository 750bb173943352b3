#include "core/data_module.h"
#include "support/fixtures.h"
#include "support/test_database.h"

#include "toolkit/connections.h"

#include <QScopeGuard>
#include <QSqlDatabase>
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

// A plain session of the writer login sys, as an ERP holds its own, at the isolation level given.
// A statement that waits on a lock longer than a few seconds fails rather than hangs the test.
class Writer {
public:
    Writer(const QString& name, const QString& isolation) : m_name(name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setConnectOptions(QStringLiteral("host='%1' port=5432 dbname='%2' user=sys").arg(TestDb::serverAddress(), TestDb::databaseName()));
        if (!db.open())
            qFatal("%s: %s", qPrintable(name), qPrintable(db.lastError().text()));
        for (const QString& setting : {QStringLiteral("set lock_timeout = '3s'"),
                                       QStringLiteral("set default_transaction_isolation = '%1'").arg(isolation)})
            QVERIFY2(run(setting).isEmpty(), qPrintable(setting));
    }
    ~Writer() { closeNamedConnection(m_name); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Empty when the statement ran, else the server's message.
    QString run(const QString& statement)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(statement) ? QString() : q.lastError().databaseText();
    }

private:
    QString m_name;
};

// The data of a test run at each isolation level an ERP may choose.
void isolationLevels()
{
    QTest::addColumn<QString>("isolation");
    QTest::newRow("read committed") << "read committed";
    QTest::newRow("repeatable read") << "repeatable read";
}

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
    void transactionsInOppositeOrdersNeverDeadlock_data() { isolationLevels(); }
    void transactionsInOppositeOrdersNeverDeadlock();
    void anOpenTransactionNeverHoldsTheClerk_data() { isolationLevels(); }
    void anOpenTransactionNeverHoldsTheClerk();

private:
    // `script` with {ivanov}, {petrov}, {sidorov}, {product} and {operation} filled in.
    QString filled(QString script) const;
    // The insert of one entry of `worker`'s: 2024-03-`day`, shift 1, `hours`.
    QString entryOf(int worker, int day, int hours) const;

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
    QTest::newRow("several statements, the cells in step after each")
        << "begin;\nset constraints accounts_dep.h_tabel_queue_settle immediate;\n" + values
               + "('2024-03-06', 1, {ivanov}, {product}, {operation}, 10, 5, 0, 0, 1, 'no');\n"
                 "update accounts_dep.smena set data = '2024-04-01', smena = 2 where time = 8;\n"
                 "delete from accounts_dep.smena where time = 4;\ncommit;";
    QTest::newRow("the first statement rolled back to its savepoint")
        << "begin;\nsavepoint s;\n" + values + "('2024-03-06', 1, {sidorov}, {product}, {operation}, 10, 5, 0, 0, 1, 'no');\n"
               "rollback to s;\nupdate accounts_dep.smena set time = 9 where time = 8;\n"
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
// transaction open until the second is done, or waits. Both commit, no hours are lost, no deadlock.
void TestHours::concurrentWritersOfTheSameCells()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    TestDb::exec("select pg_advisory_lock(4713)");
    const auto release = qScopeGuard([] { TestDb::exec("select pg_advisory_unlock_all()"); });
    const QString waiting = QStringLiteral("select count(*) from pg_locks l join pg_stat_activity a on a.pid = l.pid "
                                           "where not l.granted and a.datname = current_database() and l.locktype %1 'advisory'");
    std::unique_ptr<QProcess> one = TestDb::startScript(filled("begin;\n" + first + "\nselect pg_advisory_lock(4713);\ncommit;\n"));
    QTRY_COMPARE_WITH_TIMEOUT(TestDb::scalar(waiting.arg("=")).toInt(), 1, 20000);
    std::unique_ptr<QProcess> two = TestDb::startScript(filled(second + "\n"));
    QTRY_VERIFY_WITH_TIMEOUT(two->state() == QProcess::NotRunning || TestDb::scalar(waiting.arg("<>")).toInt() > 0, 20000);
    TestDb::exec("select pg_advisory_unlock(4713)");
    for (QProcess* p : {one.get(), two.get()}) {
        QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(60000));
        QVERIFY2(p->exitCode() == 0, p->readAll().constData());
    }
    QCOMPARE(gridMismatches(), QStringList());
}

QString TestHours::entryOf(int worker, int day, int hours) const
{
    return filled(Columns + QStringLiteral("values ('2024-03-%1', 1, %2, {product}, {operation}, 10, 5, 0, 0, %3, 'no')")
                                .arg(day, 2, 10, QLatin1Char('0'))
                                .arg(worker)
                                .arg(hours));
}

// Two ERP transactions post entries of the same two workers in opposite orders. Neither waits
// for the other: the grid's rows are written as each commits, in one order. Under repeatable
// read the later one's snapshot cannot see the grid rows the first changed as it committed:
// it is refused with a serialization failure (run again, it commits), never a deadlock.
void TestHours::transactionsInOppositeOrdersNeverDeadlock()
{
    QFETCH(QString, isolation);
    const Floor& f = m_floor;
    Writer a(QStringLiteral("erp_a"), isolation), b(QStringLiteral("erp_b"), isolation);
    QCOMPARE(a.run("begin"), QString());
    QCOMPARE(a.run(entryOf(f.ivanov, 10, 1)), QString());
    QCOMPARE(b.run("begin"), QString());
    QCOMPARE(b.run(entryOf(f.petrov, 10, 2)), QString());
    QCOMPARE(b.run(entryOf(f.ivanov, 11, 3)), QString());
    QCOMPARE(a.run(entryOf(f.petrov, 11, 4)), QString());
    QCOMPARE(hoursCell(f.ivanov, 1, QDate(2024, 3, 10)), 0);   // the grid follows at commit
    QCOMPARE(a.run("commit"), QString());
    QCOMPARE(hoursCell(f.ivanov, 1, QDate(2024, 3, 10)), 1);
    const QString second = b.run("commit");
    if (isolation == QLatin1String("read committed")) {
        QCOMPARE(second, QString());
    } else {
        QVERIFY2(second.contains(QLatin1String("could not serialize access")), qPrintable(second));
        QCOMPARE(gridMismatches(), QStringList());
        for (const QString& statement : {QStringLiteral("begin"), entryOf(f.petrov, 10, 2), entryOf(f.ivanov, 11, 3), QStringLiteral("commit")})
            QCOMPARE(b.run(statement), QString());
    }
    QCOMPARE(gridMismatches(), QStringList());
    QCOMPARE(hoursCell(f.ivanov, 1, QDate(2024, 3, 11)), 3);
    QCOMPARE(hoursCell(f.petrov, 1, QDate(2024, 3, 11)), 4);
}

// An ERP transaction holds an entry of Иванов's open; the clerk saves another entry of his in
// the same month and shift meanwhile, on the program's connection: it does not wait, and the
// grid shows the clerk's hours at once. Under repeatable read the ERP transaction is then
// refused at its commit: its snapshot cannot see the row the clerk's save changed.
void TestHours::anOpenTransactionNeverHoldsTheClerk()
{
    QFETCH(QString, isolation);
    const Floor& f = m_floor;
    Writer erp(QStringLiteral("erp"), isolation);
    QCOMPARE(erp.run("begin"), QString());
    QCOMPARE(erp.run(entryOf(f.ivanov, 7, 2)), QString());
    TestDb::exec("set lock_timeout = '3s'");
    const auto restore = qScopeGuard([] { TestDb::exec("reset lock_timeout"); });
    TestDb::exec(insertStatement(editorEntry(f, f.ivanov, QDate(2024, 3, 8))));
    QCOMPARE(hoursCell(f.ivanov, 1, QDate(2024, 3, 8)), 4);
    const QString commit = erp.run("commit");
    if (isolation == QLatin1String("read committed")) {
        QCOMPARE(commit, QString());
        QCOMPARE(hoursCell(f.ivanov, 1, QDate(2024, 3, 7)), 2);
    } else {
        QVERIFY2(commit.contains(QLatin1String("could not serialize access")), qPrintable(commit));
    }
    QCOMPARE(gridMismatches(), QStringList());
}

QTEST_MAIN(TestHours)
#include "tst_hours.moc"
