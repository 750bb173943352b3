// The legacy import of a large floor from a SQLite legacy file, against psql \copy of the same rows
// into the same tables on the same server. Prints the times and the ratio.
#include "legacy_import/legacy_import.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const int JournalRows = 100000;

QString host;
QTemporaryDir folder;

QString driverPath(const QString& file)
{
    QDirIterator it(QStringLiteral("/usr/lib"), {file}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : file;
}

void write(const QString& path, const QString& text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text.toUtf8());
}

// The drivers and the two data sources, for this run only.
void defineDataSources()
{
    write(folder.filePath("odbcinst.ini"), QStringLiteral("[PostgreSQL Unicode]\nDriver=%1\n\n[SQLite3]\nDriver=%2\n")
                                               .arg(driverPath("psqlodbcw.so"), driverPath("libsqlite3odbc.so")));
    write(folder.filePath("odbc.ini"), QStringLiteral("[Tabel]\nDriver=SQLite3\nDatabase=%1\n\n"
                                                      "[Tabel_PgSQL]\nDriver=PostgreSQL Unicode\nServername=%2\nPort=5432\nDatabase=kemra_erp\n")
                                           .arg(folder.filePath("legacy.db"), host));
    qputenv("ODBCSYSINI", folder.path().toUtf8());
    qputenv("ODBCINI", folder.filePath("odbc.ini").toUtf8());
}

// A believable legacy floor: 300 workers, 2000 products, 30 operation types, 6000 operations and
// the journal, all in the SQLite file (the journal too, read in place of the program's database).
void fillLegacyFile()
{
    QString hours = "create table H_TABEL (id integer primary key, w_id integer, month smallint, smena smallint, year smallint";
    for (int day = 1; day <= 31; ++day)
        hours += QStringLiteral(", d%1 smallint").arg(day);
    runStatement(QStringLiteral("setup"), hours + ")");
    for (const char* statement : {
             "create table NOMENKL (Nom varchar(150), marka varchar(7))",
             "create table WORKERS (FIO varchar(50), ID integer primary key, ADDR varchar(100))",
             "create table IZDEL (MARKA varchar(50), ID integer primary key, nom varchar(100), massa decimal(10,4))",
             "create table VID_OPER (VID varchar(50), ID integer primary key)",
             "create table OPER (ID integer primary key, VID integer, NAIMEN smallint, CENA decimal(10,4), I_ID integer)",
             "create table smena (ID integer primary key, W_ID integer, I_ID integer, O_ID integer, KOL_VO integer, BRAK smallint, "
             "DATA date, SMENA smallint, CENA double, color integer, time integer, ok varchar(2), vvod timestamp)",
             "begin",
             "with recursive n(i) as (select 1 union all select i+1 from n where i<300) "
             "insert into WORKERS select 'Рабочий ' || i || ' И.О.', i, 'ул. Заводская, ' || i from n",
             "with recursive n(i) as (select 1 union all select i+1 from n where i<2000) "
             "insert into IZDEL select 'Изделие И-' || i, i, 'Группа ' || (i % 40), 0.5 + (i % 97) * 0.25 from n",
             "with recursive n(i) as (select 1 union all select i+1 from n where i<30) "
             "insert into VID_OPER select 'Операция ' || i, i from n",
             "with recursive n(i) as (select 1 union all select i+1 from n where i<6000) "
             "insert into OPER select i, 1 + i % 30, i % 2, 1.5 + (i % 50) * 0.75, 1 + i % 2000 from n",
             "with recursive n(i) as (select 1 union all select i+1 from n where i<100000) "
             "insert into smena select i, 1 + i % 300, 1 + (i * 7) % 2000, 1 + (i * 7) % 6000, 1 + i % 40, i % 3, "
             "date('2020-01-01', '+' || (i / 100) || ' days'), 1 + i % 4, 1.5 + (i % 50) * 0.75, "
             "case when i % 5 = 0 then i % 900 else 0 end, 1 + i % 12, case when i % 3 = 0 then 'ok' else 'no' end, "
             "datetime('2020-01-01', '+' || (i / 100) || ' days') from n",
             "commit",
         })
        runStatement(QStringLiteral("setup"), QString::fromUtf8(statement));
}

double psqlSeconds(const QString& script)
{
    write(folder.filePath("copy.sql"), script);
    QElapsedTimer timer;
    timer.start();
    QProcess psql;
    psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    psql.setStandardOutputFile(QProcess::nullDevice());
    psql.start("psql", {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", host, "-U", "sys", "-d", "kemra_erp", "-f", folder.filePath("copy.sql")});
    psql.waitForFinished(-1);
    if (psql.exitCode() != 0)
        throw DatabaseError("psql failed");
    return timer.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_import SOCKET_FOLDER\n");
        return 2;
    }
    host = QString::fromLocal8Bit(argv[1]);
    try {
        defineDataSources();
        QSqlDatabase setup = QSqlDatabase::addDatabase("QODBC", "setup");
        setup.setDatabaseName(LegacySourceName);
        if (!setup.open())
            throw DatabaseError(setup.lastError().text());
        fillLegacyFile();
        connectLegacyImport();

        const QStringList tables{"workers", "izdel", "vid_oper", "oper", "smena"};
        const auto importSeconds = [] {
            LegacyImport import(MSA, PGSQL, MSA);
            QString last;
            import.setProgress([&](const ImportProgress& progress) { last = progressText(progress); });
            QElapsedTimer timer;
            timer.start();
            import.run();
            return timer.elapsed() / 1000.0;
        };
        // As it ran before the server kept the grid: the journal's grid trigger off. The first
        // import, untimed, replaces the large floor's journal.
        // Only the tables' owner switches triggers: the cluster's superuser, on a connection of its own.
        QSqlDatabase superuser = QSqlDatabase::addDatabase("QPSQL", "superuser");
        superuser.setConnectOptions(QStringLiteral("host='%1' port=5432 dbname=kemra_erp user=postgres").arg(host));
        if (!superuser.open())
            throw DatabaseError(superuser.lastError().text());
        const auto gridTrigger = [](bool on) {
            for (const char* trigger : {"smena_hours_insert", "smena_hours_update", "smena_hours_delete"})
                runStatement(QStringLiteral("superuser"), QStringLiteral("alter table accounts_dep.smena %1 trigger %2")
                                                       .arg(QLatin1String(on ? "enable" : "disable"), QLatin1String(trigger)));
        };
        importSeconds();
        double best = 1e9, before = 1e9;
        for (int run = 0; run < 3; ++run) {
            for (bool on : {false, true}) {
                gridTrigger(on);
                (on ? best : before) = qMin(on ? best : before, importSeconds());
            }
        }
        // The tables as the legacy file has them: its journal, and its grid (empty) in place of the cells
        // the server made for the journal's rows.
        QSqlQuery left = runStatement(QLatin1String(PGSQL), "select (select count(*) from accounts_dep.smena where id>0), "
                                                            "(select count(*) from accounts_dep.h_tabel where id>0)");
        if (!left.next() || left.value(0).toInt() != JournalRows || left.value(1).toInt() != 0)
            throw DatabaseError(QStringLiteral("the import left %1 journal rows and %2 grid rows")
                                    .arg(left.value(0).toInt()).arg(left.value(1).toInt()));

        // The same rows as files, then into the same tables in one psql transaction.
        QString out, in = "begin;\n";
        for (const QString& table : tables) {
            const QString file = folder.filePath(table + ".csv");
            out += QStringLiteral("\\copy (select * from accounts_dep.%1 where id>0) to '%2' csv\n").arg(table, file);
            in += QStringLiteral("delete from accounts_dep.%1 where id>0;\n\\copy accounts_dep.%1 from '%2' csv\n").arg(table, file);
        }
        in += "commit;\n";
        psqlSeconds(out);
        double copy = 1e9;
        for (int run = 0; run < 3; ++run)
            copy = qMin(copy, psqlSeconds(in));

        std::printf("legacy import, %d journal rows + 8330 others   import %7.3f s   psql \\copy %7.3f s   ratio %5.2f\n",
                    JournalRows, best, copy, best / copy);
        std::printf("same import with the grid trigger off (as before)   %7.3f s   ratio with/without %5.2f\n", before,
                    best / before);
    } catch (const DatabaseError& e) {
        std::fprintf(stderr, "bench_import: %s\n", e.what());
        return 1;
    }
    return 0;
}
