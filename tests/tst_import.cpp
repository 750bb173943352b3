#include "catalogs/worker_statements.h"
#include "core/data_module.h"
#include "journal/entry_statements.h"
#include "journal/journal_window.h"
#include "legacy_import/legacy_import.h"
#include "support/fixtures.h"
#include "support/test_database.h"
#include "toolkit/database_error.h"
#include "toolkit/sql_text.h"

#include <QDirIterator>
#include <QProcess>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

namespace {

// The legacy desktop database: a SQLite file behind the data source "Tabel", with the column
// names in the letter case the legacy tables use.
const char* const LegacyTables[] = {
    "create table H_TABEL (id integer primary key, w_id integer, month smallint, smena smallint, year smallint, "
    "d1 smallint, d2 smallint, d3 smallint, d4 smallint, d5 smallint, d6 smallint, d7 smallint, d8 smallint, "
    "d9 smallint, d10 smallint, d11 smallint, d12 smallint, d13 smallint, d14 smallint, d15 smallint, d16 smallint, "
    "d17 smallint, d18 smallint, d19 smallint, d20 smallint, d21 smallint, d22 smallint, d23 smallint, d24 smallint, "
    "d25 smallint, d26 smallint, d27 smallint, d28 smallint, d29 smallint, d30 smallint, d31 smallint)",
    "create table IZDEL (MARKA varchar(50), ID integer primary key, nom varchar(100), massa decimal(10,4))",
    "create table NOMENKL (Nom varchar(150), marka varchar(7))",
    "create table OPER (ID integer primary key, VID integer, NAIMEN smallint, CENA decimal(10,4), I_ID integer)",
    "create table VID_OPER (VID varchar(50), ID integer primary key)",
    "create table WORKERS (FIO varchar(50), ID integer primary key, ADDR varchar(100))",
};

const QStringList TargetTables{
    QStringLiteral("accounts_dep.h_tabel"), QStringLiteral("accounts_dep.izdel"), QStringLiteral("accounts_dep.nomenkl"),
    QStringLiteral("accounts_dep.oper"), QStringLiteral("accounts_dep.vid_oper"), QStringLiteral("accounts_dep.workers"),
    QStringLiteral("accounts_dep.smena"),
};

QString driverPath(const QString& file)
{
    for (const QString& root : {QStringLiteral("/usr/lib"), QStringLiteral("/usr/local/lib")}) {
        QDirIterator it(root, {file}, QDir::Files, QDirIterator::Subdirectories);
        if (it.hasNext())
            return it.next();
    }
    qFatal("ODBC driver %s not found", qPrintable(file));
}

void legacyExec(const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("legacy")));
    if (!q.exec(statement))
        QFAIL(qPrintable(statement + QLatin1String(": ") + q.lastError().text()));
}

QStringList rows(const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
    if (!q.exec(statement))
        throw std::runtime_error((statement + QLatin1String(": ") + q.lastError().text()).toStdString());
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// Every target table as it stands, row numbers included.
QStringList targetState()
{
    QStringList out;
    for (const QString& table : TargetTables)
        out << table << rows(QStringLiteral("select * from %1 order by id").arg(table));
    return out;
}

// Every target table by the columns the import writes, without the numbers nomenkl gives itself.
QStringList importedContent()
{
    QStringList out;
    for (const ImportStep& step : legacyImportSteps()) {
        QStringList columns;
        for (const ImportColumn& c : step.columns)
            columns << QLatin1Char('"') + c.name + QLatin1Char('"');
        out << step.target << rows(QStringLiteral("select %1 from %2 order by %1").arg(columns.join(QLatin1Char(',')), step.target));
    }
    return out;
}

QList<int> ids(const QString& table)
{
    QList<int> out;
    for (const QString& id : rows(QStringLiteral("select id from %1 where id>0 order by id").arg(table)))
        out << id.toInt();
    return out;
}

// Runs the import as the journal's menu item does, with its connections.
QStringList importThroughPlainClass()
{
    connectLegacyImport();
    LegacyImport import(QLatin1String(MSA), QLatin1String(PGSQL), QLatin1String(TDataModule6::ConnectionName));
    QStringList texts;
    import.setProgress([&](const ImportProgress& p) { texts << progressText(p); });
    import.run();
    return texts;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void copiesEveryTableWithItsNumbers();
    void emptyLegacyTableEmptiesItsTarget();
    void progressAfterEveryRow();
    void secondRunGivesTheSameTables();
    void menuItemRunsWithProgress();
    void failedImportChangesNothing();
    void journalReadWhileTheProgramRunsStatements();
    void journalReadBrokenOffChangesNothing();
    void refusesWhatItCannotCarry_data();
    void refusesWhatItCannotCarry();
    void carriesWholeNumbersExactly_data();
    void carriesWholeNumbersExactly();
    void programKeepsNumberingAfterImport();
    void sequencesOnlyMoveForward_data();
    void sequencesOnlyMoveForward();
    void commandLineProgram();

private:
    void writeDataSources(const QString& folder, bool withDataSources);
    QProcessEnvironment newUser(const QString& odbcFolder);
    QTemporaryDir m_dir;
};

void TestImport::writeDataSources(const QString& folder, bool withDataSources)
{
    QDir().mkpath(folder);
    QFile drivers(folder + QLatin1String("/odbcinst.ini"));
    QVERIFY(drivers.open(QIODevice::WriteOnly));
    drivers.write(QStringLiteral("[PostgreSQL Unicode]\nDriver=%1\n\n[SQLite3]\nDriver=%2\n")
                      .arg(driverPath(QStringLiteral("psqlodbcw.so")), driverPath(QStringLiteral("libsqlite3odbc.so")))
                      .toUtf8());
    QFile sources(folder + QLatin1String("/odbc.ini"));
    QVERIFY(sources.open(QIODevice::WriteOnly));
    if (withDataSources)
        sources.write(QStringLiteral("[Tabel]\nDriver=SQLite3\nDatabase=%1/legacy.db\n\n"
                                     "[Tabel_PgSQL]\nDriver=PostgreSQL Unicode\nServername=%2\nPort=5432\nDatabase=%3\n")
                          .arg(m_dir.path(), TestDb::serverAddress(), TestDb::databaseName())
                          .toUtf8());
}

QProcessEnvironment TestImport::newUser(const QString& odbcFolder)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("HOME"), m_dir.path() + QLatin1String("/home"));
    env.insert(QStringLiteral("ODBCSYSINI"), odbcFolder);
    env.insert(QStringLiteral("ODBCINI"), odbcFolder + QLatin1String("/odbc.ini"));
    return env;
}

void TestImport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The drivers and data sources of this run only; the driver manager reads them at its first call.
    writeDataSources(m_dir.path(), false);
    qputenv("ODBCSYSINI", m_dir.path().toUtf8());
    qputenv("ODBCINI", (m_dir.path() + QLatin1String("/odbc.ini")).toUtf8());
    TestDb::setUp();
    writeDataSources(m_dir.path(), true);

    QSqlDatabase legacy = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("legacy"));
    legacy.setDatabaseName(QLatin1String(LegacySourceName));
    QVERIFY2(legacy.open(), qPrintable(legacy.lastError().text()));
    Form1 = new TForm1;
}

void TestImport::cleanupTestCase()
{
    delete Form1;
    for (const char* name : {"legacy", MSA, PGSQL}) {
        QSqlDatabase::database(QLatin1String(name), false).close();
        QSqlDatabase::removeDatabase(QLatin1String(name));
    }
    TestDb::tearDown();
}

// A small floor in the legacy tables (the journal in the program's database as "smena") and
// older rows in the targets: some to be replaced, some with numbers 0 and below to survive.
void TestImport::init()
{
    TestDb::resetData();
    for (const char* table : {"H_TABEL", "IZDEL", "NOMENKL", "OPER", "VID_OPER", "WORKERS"})
        legacyExec(QStringLiteral("drop table if exists %1").arg(QLatin1String(table)));
    for (const char* statement : LegacyTables)
        legacyExec(QLatin1String(statement));
    legacyExec(QStringLiteral("insert into WORKERS (ID, FIO, ADDR) values (1, 'Иванов И.И.', 'ул. Ленина, 1'), "
                              "(2, 'Петров П.П.', ''), (3, 'O''Брайен', NULL)"));
    legacyExec(QStringLiteral("insert into IZDEL (ID, MARKA, nom, massa) values (10, 'КС-1', 'Котлы', 1.25), (11, 'КС-2', 'Котлы', 2.5)"));
    legacyExec(QStringLiteral("insert into NOMENKL (Nom, marka) values ('Котлы', 'КС-1'), ('Котлы', 'КС-2')"));
    legacyExec(QStringLiteral("insert into VID_OPER (ID, VID) values (1, 'Сборка'), (2, 'КРАСКА')"));
    legacyExec(QStringLiteral("insert into OPER (ID, VID, NAIMEN, CENA, I_ID) values (20, 1, 0, 12.5, 10), (21, 2, 1, 3.75, 11)"));
    legacyExec(QStringLiteral("insert into H_TABEL (id, w_id, month, smena, year, d1, d2, d3, d31) values "
                              "(30, 1, 9, 1, 2023, 8, NULL, '', 4), (31, 2, 9, 2, 2023, NULL, 6, NULL, NULL)"));

    TestDb::execAsOwner("drop table if exists public.smena");
    TestDb::execAsOwner("create table public.smena (ID integer primary key, W_ID integer, I_ID integer, O_ID integer, KOL_VO integer, "
             "BRAK smallint, DATA timestamp, SMENA smallint, CENA double precision, color integer, time integer, ok varchar, vvod timestamp)");
    TestDb::execAsOwner("insert into public.smena values (40, 1, 10, 20, 10, 1, '2023-09-07', 1, 12.5, 0, 8, 'ok', '2023-09-08 00:00'), "
             "(41, 2, 11, 21, 5, 0, '2023-09-08', 2, 3.75, 123, NULL, 'no', NULL)");

    EXEC_SQL("insert into accounts_dep.vid_oper (id, vid) values (0, 'без типа'), (99, 'старая')");
    EXEC_SQL("insert into accounts_dep.workers (id, fio) values (-1, 'служебный'), (5, 'уволен')");
    EXEC_SQL("insert into accounts_dep.smena (id, w_id, ok) values (0, 0, 'ta'), (77, 5, 'no')");
    EXEC_SQL("insert into accounts_dep.nomenkl (nom, marka) values ('Старое', 'X')");
}

void TestImport::copiesEveryTableWithItsNumbers()
{
    importThroughPlainClass();

    QCOMPARE(ids(QStringLiteral("accounts_dep.h_tabel")), (QList<int>{30, 31}));
    QCOMPARE(ids(QStringLiteral("accounts_dep.izdel")), (QList<int>{10, 11}));
    QCOMPARE(ids(QStringLiteral("accounts_dep.oper")), (QList<int>{20, 21}));
    QCOMPARE(ids(QStringLiteral("accounts_dep.vid_oper")), (QList<int>{1, 2}));
    QCOMPARE(ids(QStringLiteral("accounts_dep.workers")), (QList<int>{1, 2, 3}));
    QCOMPARE(ids(QStringLiteral("accounts_dep.smena")), (QList<int>{40, 41}));
    QCOMPARE(rows(QStringLiteral("select nom, marka from accounts_dep.nomenkl order by marka")),
             (QStringList{QStringLiteral("Котлы|КС-1"), QStringLiteral("Котлы|КС-2")}));

    // A journal row still names the same worker, product and operation.
    QCOMPARE(rows(QStringLiteral("select s.id, w.fio, i.marka, v.vid, o.naimen from accounts_dep.smena s "
                                 "join accounts_dep.workers w on w.id=s.w_id join accounts_dep.izdel i on i.id=s.i_id "
                                 "join accounts_dep.oper o on o.id=s.o_id and o.i_id=s.i_id join accounts_dep.vid_oper v on v.id=o.vid "
                                 "where s.id>0 order by s.id")),
             (QStringList{QStringLiteral("40|Иванов И.И.|КС-1|Сборка|0"), QStringLiteral("41|Петров П.П.|КС-2|КРАСКА|1")}));
    QCOMPARE(rows(QStringLiteral("select to_char(data, 'YYYY-MM-DD'), smena, kol_vo, brak, cena, color, time, ok, "
                                 "to_char(vvod, 'YYYY-MM-DD HH24:MI') from accounts_dep.smena where id>0 order by id")),
             (QStringList{QStringLiteral("2023-09-07|1|10|1|12.5|0|8|ok|2023-09-08 00:00"),
                          QStringLiteral("2023-09-08|2|5|0|3.75|123|NULL|no|NULL")}));
    // Empty hours cells arrive as 0; the journal's empty hours above stay empty.
    QCOMPARE(rows(QStringLiteral("select w_id, month, year, smena, d1, d2, d3, d31 from accounts_dep.h_tabel order by id")),
             (QStringList{QStringLiteral("1|9|2023|1|8|0|0|4"), QStringLiteral("2|9|2023|2|0|6|0|0")}));
    QCOMPARE(rows(QStringLiteral("select marka, nom, massa from accounts_dep.izdel order by id")),
             (QStringList{QStringLiteral("КС-1|Котлы|1.25"), QStringLiteral("КС-2|Котлы|2.5")}));
    QCOMPARE(rows(QStringLiteral("select fio, addr from accounts_dep.workers where id>0 order by id")),
             (QStringList{QStringLiteral("Иванов И.И.|ул. Ленина, 1"), QStringLiteral("Петров П.П.|"), QStringLiteral("O'Брайен|NULL")}));
    QCOMPARE(rows(QStringLiteral("select vid, naimen, cena, i_id from accounts_dep.oper order by id")),
             (QStringList{QStringLiteral("1|0|12.5|10"), QStringLiteral("2|1|3.75|11")}));
    // Rows numbered 0 and below are not the import's.
    QCOMPARE(rows(QStringLiteral("select id, vid from accounts_dep.vid_oper where id<=0")), QStringList{QStringLiteral("0|без типа")});
    QCOMPARE(rows(QStringLiteral("select id, fio from accounts_dep.workers where id<=0")), QStringList{QStringLiteral("-1|служебный")});
    QCOMPARE(rows(QStringLiteral("select id, ok from accounts_dep.smena where id<=0")), QStringList{QStringLiteral("0|ta")});
}

void TestImport::emptyLegacyTableEmptiesItsTarget()
{
    legacyExec(QStringLiteral("delete from VID_OPER"));
    const QStringList texts = importThroughPlainClass();

    QCOMPARE(rows(QStringLiteral("select id, vid from accounts_dep.vid_oper")), QStringList{QStringLiteral("0|без типа")});
    for (const QString& text : texts)
        QVERIFY2(!text.startsWith(QLatin1String("VID_OPER")), qPrintable(text));
    QVERIFY(texts.contains(QStringLiteral("WORKERS: 3 из 3 записей")));
}

void TestImport::progressAfterEveryRow()
{
    legacyExec(QStringLiteral("delete from OPER"));
    legacyExec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<250) "
                              "insert into OPER (ID, VID, NAIMEN, CENA, I_ID) select i, 1, 0, i*0.5, 10 from n"));
    const QStringList texts = importThroughPlainClass();

    QStringList oper;
    for (const QString& text : texts)
        if (text.startsWith(QLatin1String("OPER:")))
            oper << text;
    QCOMPARE(oper.size(), 250);
    QCOMPARE(oper.at(2), QStringLiteral("OPER: 3 из 250 записей"));
    QCOMPARE(oper.last(), QStringLiteral("OPER: 250 из 250 записей"));
    QCOMPARE(texts.first(), QStringLiteral("IZDEL: 1 из 2 записей"));
    QCOMPARE(texts.last(), QStringLiteral("H_TABEL: 2 из 2 записей"));
    QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.oper")).toInt(), 250);
}

void TestImport::secondRunGivesTheSameTables()
{
    importThroughPlainClass();
    const QStringList first = importedContent();
    importThroughPlainClass();
    QCOMPARE(importedContent(), first);
    QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.nomenkl")).toInt(), 2);
}

void TestImport::menuItemRunsWithProgress()
{
    QVERIFY(!Form1->N12->isVisible());
    QCOMPARE(Form1->N12->text(), QStringLiteral("Импорт"));
    QStringList shown;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible())
                shown << dialog->windowTitle() << dialog->labelText();
    });
    MessageLog log;
    Form1->N12->trigger();

    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0), QStringLiteral("Импорт"));
    QVERIFY2(shown.at(1).contains(QStringLiteral(" из ")), qPrintable(shown.at(1)));
    QCOMPARE(Form1->Label1->text(), QStringLiteral("H_TABEL: 2 из 2 записей"));
    QVERIFY(Form1->Label1->isHidden());
    QCOMPARE(ids(QStringLiteral("accounts_dep.smena")), (QList<int>{40, 41}));
}

// The fifth table fails after four have been refilled: all of them stay as they were, the user
// sees why, mends the legacy row and runs the import again.
void TestImport::failedImportChangesNothing()
{
    legacyExec(QStringLiteral("drop table VID_OPER"));
    legacyExec(QStringLiteral("create table VID_OPER (VID varchar(50), ID integer)"));
    legacyExec(QStringLiteral("insert into VID_OPER (ID, VID) values (1, 'Сборка'), (2, 'КРАСКА'), (2, 'Двойная')"));
    const QStringList before = targetState();
    MessageLog log;
    Form1->N12->trigger();

    QCOMPARE(log.shown().size(), 1);
    QVERIFY2(log.texts().first().contains(QStringLiteral("VID_OPER → accounts_dep.vid_oper")), qPrintable(log.texts().first()));
    QVERIFY2(log.texts().first().contains(QLatin1String("vid_oper_pkey")), qPrintable(log.texts().first()));
    QCOMPARE(targetState(), before);

    legacyExec(QStringLiteral("delete from VID_OPER where VID='Двойная'"));
    log.clear();
    Form1->N12->trigger();
    QCOMPARE(log.texts(), QStringList());
    QCOMPARE(ids(QStringLiteral("accounts_dep.vid_oper")), (QList<int>{1, 2}));
}

// The journal window's timer and its lists run their statements on the program's connection
// while the import reads the legacy journal row by row: the journal still arrives whole.
void TestImport::journalReadWhileTheProgramRunsStatements()
{
    EXEC_SQL("insert into public.smena (ID, W_ID, I_ID, O_ID, KOL_VO, BRAK, DATA, SMENA, CENA, color, time, ok) "
             "select 100 + i, 1, 10, 20, i, 0, '2023-09-07', 1, 1.5, 0, 8, 'no' from generate_series(1, 2000) i");
    int during = 0;
    QTimer program;
    program.setInterval(2);
    connect(&program, &QTimer::timeout, this, [&] {
        if (!Form1->Label1->text().startsWith(QLatin1String("smena:")))
            return;
        Form1->CheckVersion();
        ++during;
    });
    program.start();
    MessageLog log;
    Form1->N12->trigger();
    program.stop();

    QCOMPARE(log.texts(), QStringList());
    QVERIFY(during > 0);
    QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from accounts_dep.smena where id>0")).toInt(), 2002);
    QCOMPARE(TestDb::scalar(QStringLiteral("select sum(kol_vo) from accounts_dep.smena where id>100")).toInt(), 2001000);
}

// A read of the legacy journal that breaks off halfway (here the server cannot give a row) is
// no end of the journal: the import fails with the server's message and changes nothing.
void TestImport::journalReadBrokenOffChangesNothing()
{
    EXEC_SQL("insert into public.smena (ID, W_ID, I_ID, O_ID, KOL_VO, BRAK, DATA, SMENA, CENA, color, time, ok) "
             "select 100 + i, 1, 10, 20, 1, 0, '2023-09-07', 1, 1.5, 0, 8, 'no' from generate_series(1, 2000) i");
    TestDb::execAsOwner("alter table public.smena rename to smena_rows");
    const auto restore = qScopeGuard([] {
        TestDb::execAsOwner("drop view public.smena");
        TestDb::execAsOwner("drop function public.legacy_worker(integer, integer)");
        TestDb::execAsOwner("alter table public.smena_rows rename to smena");
    });
    TestDb::execAsOwner("create function public.legacy_worker(id integer, w_id integer) returns integer language plpgsql stable as "
             "$$begin if id = 1500 then raise exception 'запись 1500 не читается'; end if; return w_id; end$$");
    // Rows in key order, each worker looked up as it is sent, so the rows before 1500 reach the import.
    TestDb::execAsOwner("create view public.smena as select ID, legacy_worker(ID, W_ID) as W_ID, I_ID, O_ID, KOL_VO, BRAK, DATA, "
             "SMENA, CENA, color, time, ok, vvod from (select * from public.smena_rows order by ID offset 0) s");
    TestDb::execAsOwner("grant select on public.smena to public");
    // the owner's new functions run for nobody else until granted
    TestDb::execAsOwner("grant execute on function public.legacy_worker(integer, integer) to public");
    const QStringList before = targetState();
    MessageLog log;

    Form1->N12->trigger();

    QCOMPARE(log.shown().size(), 1);
    QVERIFY2(log.texts().first().contains(QStringLiteral("smena → accounts_dep.smena")), qPrintable(log.texts().first()));
    QVERIFY2(log.texts().first().contains(QStringLiteral("запись 1500 не читается")), qPrintable(log.texts().first()));
    QCOMPARE(Form1->Label1->text(), QStringLiteral("smena: 1401 из 2002 записей"));   // 40, 41, 101 … 1499
    QCOMPARE(targetState(), before);
}

void TestImport::refusesWhatItCannotCarry_data()
{
    QTest::addColumn<QStringList>("legacy");    // statements on the legacy file
    QTest::addColumn<QStringList>("program");   // statements on the database the journal is read from
    QTest::addColumn<QString>("message");
    // Keys that can hold what a legacy table may hold.
    const QStringList looseWorkers{"drop table WORKERS", "create table WORKERS (FIO varchar(50), ID integer, ADDR varchar(100))"};
    QTest::newRow("grid day 7.5") << QStringList{"update H_TABEL set d4=7.5 where id=30"} << QStringList()
                                  << "H_TABEL: строка 30, поле d4: «7.5» не целое число.";
    QTest::newRow("text as worker") << QStringList{"update H_TABEL set w_id='Иванов' where id=31"} << QStringList()
                                    << "H_TABEL: строка 31, поле w_id: «Иванов» не целое число.";
    QTest::newRow("operation type abc") << QStringList{"update OPER set VID='abc' where ID=21"} << QStringList()
                                        << "OPER: строка 21, поле VID: «abc» не целое число.";
    // The row's place counts in the order of the numbers: 1, 4.6, 10.
    QTest::newRow("worker id 4.6")
        << looseWorkers + QStringList{"insert into WORKERS values ('Иванов', 1, ''), ('Сидоров', 10, ''), ('Петров', 4.6, '')"}
        << QStringList() << "WORKERS: строка 2, поле ID: «4.6» не целое число.";
    QTest::newRow("worker id NULL") << looseWorkers + QStringList{"insert into WORKERS values ('Иванов', 1, ''), ('Петров', NULL, '')"}
                                    << QStringList() << "WORKERS: строка 1, поле ID: пустой ключ.";
    QTest::newRow("mass no number") << QStringList{"update IZDEL set massa='много' where ID=11"} << QStringList()
                                    << "IZDEL: строка 11, поле massa: «много» не число.";
    QTest::newRow("journal quantity 2.5")
        << QStringList() << QStringList{"alter table public.smena alter column KOL_VO type numeric", "update public.smena set KOL_VO=2.5 where ID=41"}
        << "smena: строка 41, поле kol_vo: «2.5» не целое число.";
    // Numbers 0 and below would survive the next import's emptying and clash with it.
    QTest::newRow("worker id 0") << QStringList{"insert into WORKERS values ('Служебный', 0, '')"} << QStringList()
                                 << "WORKERS: строка 0, поле ID: «0» не положительное число.";
    QTest::newRow("operation id -3") << QStringList{"insert into OPER values (-3, 1, 0, 1.5, 10)"} << QStringList()
                                     << "OPER: строка -3, поле ID: «-3» не положительное число.";
    QTest::newRow("journal id 0") << QStringList() << QStringList{"insert into public.smena (ID, W_ID, ok) values (0, 1, 'no')"}
                                  << "smena: строка 0, поле id: «0» не положительное число.";
    // Numbers beyond what the target column holds.
    QTest::newRow("operation type 3000000000") << QStringList{"update OPER set VID=3000000000 where ID=21"} << QStringList()
                                               << "OPER: строка 21, поле VID: «3000000000» вне пределов поля (от -2147483648 до 2147483647).";
    QTest::newRow("grid day 1e30") << QStringList{"update H_TABEL set d5=1e30 where id=30"} << QStringList()
                                   << "H_TABEL: строка 30, поле d5: «1.0e+30» вне пределов поля (от -2147483648 до 2147483647).";
    QTest::newRow("grid worker -1e30") << QStringList{"update H_TABEL set w_id=-1e30 where id=31"} << QStringList()
                                       << "H_TABEL: строка 31, поле w_id: «-1.0e+30» вне пределов поля (от -2147483648 до 2147483647).";
    QTest::newRow("product kind 40000") << QStringList{"update OPER set NAIMEN=40000 where ID=20"} << QStringList()
                                        << "OPER: строка 20, поле NAIMEN: «40000» вне пределов поля (от -32768 до 32767).";
    QTest::newRow("product id 10^15") << QStringList{"update IZDEL set ID=1000000000000000 where ID=11"} << QStringList()
                                      << "IZDEL: строка 1000000000000000, поле ID: «1000000000000000» вне пределов поля "
                                         "(от -999999999999999 до 999999999999999).";
    QTest::newRow("journal price 1e400")
        << QStringList() << QStringList{"alter table public.smena alter column CENA type varchar", "update public.smena set CENA='1e400' where ID=40"}
        << "smena: строка 40, поле cena: «1e400» вне пределов поля (от -1.79769e+308 до 1.79769e+308).";
    // The journal's hours, a text column in the legacy file, are whole numbers as the others.
    const QStringList textHours{"alter table public.smena alter column time type varchar"};
    QTest::newRow("journal hours 7.5") << QStringList() << textHours + QStringList{"update public.smena set time='7.5' where ID=41"}
                                       << "smena: строка 41, поле time: «7.5» не целое число.";
    QTest::newRow("journal hours text") << QStringList() << textHours + QStringList{"update public.smena set time='восемь' where ID=40"}
                                        << "smena: строка 40, поле time: «восемь» не целое число.";
    QTest::newRow("journal hours 1e10") << QStringList() << textHours + QStringList{"update public.smena set time='1e10' where ID=40"}
                                        << "smena: строка 40, поле time: «1e10» вне пределов поля (от -2147483648 до 2147483647).";
}

// A legacy value the target cannot hold exactly refuses the whole import, naming the table, the
// row, the column and the value; every table stays as it was.
void TestImport::refusesWhatItCannotCarry()
{
    QFETCH(QStringList, legacy);
    QFETCH(QStringList, program);
    QFETCH(QString, message);
    for (const QString& statement : legacy)
        legacyExec(statement);
    for (const QString& statement : program)
        TestDb::execAsOwner(statement);
    const QStringList before = targetState();
    MessageLog log;

    Form1->N12->trigger();

    QCOMPARE(log.texts(), QStringList{message});
    QCOMPARE(targetState(), before);
}

void TestImport::carriesWholeNumbersExactly_data()
{
    QTest::addColumn<QStringList>("legacy");
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<QString>("query");     // on the targets after the import
    QTest::addColumn<QString>("expected");
    const QStringList textHours{"alter table public.smena alter column time type varchar"};
    const QString hours = QStringLiteral("select time from accounts_dep.smena where id=41");
    // A whole number written another way is the whole number it is.
    const QList<QPair<QString, QString>> written{
        {"7.0", "7"}, {"007", "7"}, {"+5", "5"}, {" 7 ", "7"}, {"1e3", "1000"}, {"70e-1", "7"}, {"1.5E1", "15"},
        {"7,00", "7"}, {"-0", "0"}, {"2147483647", "2147483647"}, {"-2147483648", "-2147483648"},
        // Hours never given stay empty rather than becoming a day of no hours.
        {"", "NULL"}, {"  ", "NULL"},
    };
    for (const auto& [text, number] : written)
        QTest::addRow("journal hours «%s»", qPrintable(text))
            << QStringList() << textHours + QStringList{QStringLiteral("update public.smena set time='%1' where ID=41").arg(text)}
            << hours << number;
    QTest::newRow("journal hours NULL") << QStringList() << textHours + QStringList{"update public.smena set time=NULL where ID=41"}
                                        << hours << "NULL";
    QTest::newRow("product kind 32767") << QStringList{"update OPER set NAIMEN=32767 where ID=20"} << QStringList()
                                        << "select naimen from accounts_dep.oper where id=20" << "32767";
    QTest::newRow("product id 999999999999999") << QStringList{"update IZDEL set ID=999999999999999 where ID=11"} << QStringList()
                                                << "select max(id) from accounts_dep.izdel" << "999999999999999";
}

// Whatever way the legacy file writes a whole number, the target gets that number.
void TestImport::carriesWholeNumbersExactly()
{
    QFETCH(QStringList, legacy);
    QFETCH(QStringList, program);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    for (const QString& statement : legacy)
        legacyExec(statement);
    for (const QString& statement : program)
        TestDb::execAsOwner(statement);

    importThroughPlainClass();

    QCOMPARE(rows(query), QStringList{expected});
}

void TestImport::programKeepsNumberingAfterImport()
{
    importThroughPlainClass();

    EXEC_SQL(workerInsertStatement(QStringLiteral("Новиков Н.Н."), QStringLiteral("Сварщик")));
    const int worker = TestDb::scalar(QStringLiteral("select id from accounts_dep.person where fio='Новиков Н.Н.'")).toInt();
    const int type = Fixture::operationType(QStringLiteral("Резка"));
    const int operation = Fixture::operation(10, type);
    QVERIFY(type > 2);
    QVERIFY(operation > 21);

    EntryValues entry;
    entry.worker = worker;
    entry.operation = operation;
    entry.product = 10;
    entry.price = 10;
    entry.date = QDate(2024, 3, 13);
    entry.today = entry.date;
    entry.quantity = QStringLiteral("5");
    entry.defects = QStringLiteral("0");
    entry.hours = QStringLiteral("8");
    EXEC_SQL(insertStatement(entry));
    QCOMPARE(TestDb::scalar(QStringLiteral("select max(id) from accounts_dep.smena")).toInt(), 42);
    EXEC_SQL("insert into accounts_dep.workers (fio) values ('Новиков Н.Н.')");
    // the entry's grid row, made by the server
    QCOMPARE(TestDb::scalar(QStringLiteral("select max(id) from accounts_dep.h_tabel where w_id=%1").arg(worker)).toInt(), 32);
    QCOMPARE(TestDb::scalar(QStringLiteral("select max(id) from accounts_dep.workers")).toInt(), 4);
}

void TestImport::sequencesOnlyMoveForward_data()
{
    QTest::addColumn<QString>("position");   // setval's arguments for the journal's sequence before the import
    QTest::addColumn<int>("next");           // the number the next entry gets afterwards
    QTest::newRow("behind") << "1, false" << 42;
    QTest::newRow("at the largest number") << "41, true" << 42;
    QTest::newRow("next is the one after the largest") << "42, false" << 42;
    QTest::newRow("ahead, its last number given") << "20001, true" << 20002;
    QTest::newRow("ahead, its number not given yet") << "20001, false" << 20001;
}

// Numbers the program has given out before (to entries deleted since, whose history stays)
// are never given again: the import moves a sequence only forward.
void TestImport::sequencesOnlyMoveForward()
{
    QFETCH(QString, position);
    QFETCH(int, next);
    const QString sequence = QStringLiteral("pg_get_serial_sequence('accounts_dep.smena', 'id')");
    TestDb::scalar(QStringLiteral("select setval(%1, %2)").arg(sequence, position));

    importThroughPlainClass();

    QCOMPARE(TestDb::scalar(QStringLiteral("select nextval(%1)").arg(sequence)).toInt(), next);
}

void TestImport::commandLineProgram()
{
    const QString program = QStringLiteral(TABEL_IMPORT_PROGRAM);
    const QStringList arguments{TestDb::databaseName(), TestDb::serverAddress()};

    // A new user who has not defined the data sources yet.
    const QString bare = m_dir.path() + QLatin1String("/bare");
    writeDataSources(bare, false);
    QProcess missing;
    missing.setProcessEnvironment(newUser(bare));
    missing.start(program, arguments);
    QVERIFY(missing.waitForFinished(60000));
    QVERIFY(missing.exitCode() != 0);
    const QString error = QString::fromUtf8(missing.readAllStandardError());
    QVERIFY2(error.contains(QStringLiteral("Нет подключения к источнику данных ODBC «Tabel»")), qPrintable(error));

    QProcess good;
    good.setProcessEnvironment(newUser(m_dir.path()));
    good.start(program, arguments);
    QVERIFY(good.waitForFinished(60000));
    const QString output = QString::fromUtf8(good.readAllStandardOutput());
    QVERIFY2(good.exitCode() == 0, qPrintable(QString::fromUtf8(good.readAllStandardError())));
    QVERIFY2(output.contains(QStringLiteral("Скопировано записей:\n"
                                           "  IZDEL → accounts_dep.izdel: 2\n"
                                           "  NOMENKL → accounts_dep.nomenkl: 2\n"
                                           "  OPER → accounts_dep.oper: 2\n"
                                           "  VID_OPER → accounts_dep.vid_oper: 2\n"
                                           "  WORKERS → accounts_dep.workers: 3\n"
                                           "  smena → accounts_dep.smena: 2\n"
                                           "  H_TABEL → accounts_dep.h_tabel: 2\n")),
             qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("WORKERS: 3 из 3 записей\n")), qPrintable(output));
    QCOMPARE(ids(QStringLiteral("accounts_dep.smena")), (QList<int>{40, 41}));

    // A machine that defines only the legacy source: the import writes into the program's database.
    const QString sourceOnly = m_dir.path() + QLatin1String("/source-only");
    writeDataSources(sourceOnly, false);
    QFile sources(sourceOnly + QLatin1String("/odbc.ini"));
    QVERIFY(sources.open(QIODevice::WriteOnly));
    sources.write(QStringLiteral("[Tabel]\nDriver=SQLite3\nDatabase=%1/legacy.db\n").arg(m_dir.path()).toUtf8());
    sources.close();
    EXEC_SQL("delete from accounts_dep.workers");
    QProcess direct;
    direct.setProcessEnvironment(newUser(sourceOnly));
    direct.start(program, arguments);
    QVERIFY(direct.waitForFinished(60000));
    QVERIFY2(direct.exitCode() == 0, qPrintable(QString::fromUtf8(direct.readAllStandardError())));
    QVERIFY2(QString::fromUtf8(direct.readAllStandardOutput()).contains(QStringLiteral("  WORKERS → accounts_dep.workers: 3\n")),
             "no summary");
    QCOMPARE(ids(QStringLiteral("accounts_dep.workers")).size(), 3);

    // A value it cannot carry: exit 1 with the reason, nothing changed.
    legacyExec(QStringLiteral("update OPER set VID='abc' where ID=21"));
    const QStringList before = targetState();
    QProcess refused;
    refused.setProcessEnvironment(newUser(m_dir.path()));
    refused.start(program, arguments);
    QVERIFY(refused.waitForFinished(60000));
    QCOMPARE(refused.exitCode(), 1);
    const QString reason = QString::fromUtf8(refused.readAllStandardError());
    QVERIFY2(reason.contains(QStringLiteral("OPER: строка 21, поле VID: «abc» не целое число.")), qPrintable(reason));
    QCOMPARE(targetState(), before);
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
