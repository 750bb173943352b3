// The history's price on the large floor. An entry's save (the editor's insert, then its
// update, the server keeping the hours grid within each) with every trigger, against the same save with only the
// history and closed-month triggers disabled (the announcements and the rest still fire), as it
// ran before; the two take turns in blocks, each block after one save untimed, since switching
// the triggers makes the session plan its statements anew. And the period log of one month: the program's list
// against the same statement through libpq in one session already connected.
#include "timings.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "history/history_statements.h"
#include "bench_entry.h"
#include "journal/entry_statements.h"
#include "toolkit/database_error.h"

#include <QCoreApplication>
#include <QDate>
#include <QSqlError>

#include <libpq-fe.h>

#include <cstdio>
#include <vector>

namespace {

const QString Connection = QLatin1String(TDataModule6::ConnectionName);

// Only the tables' owner switches triggers: the cluster's superuser, on a connection of its own.
const QString Superuser = QStringLiteral("superuser");

void openSuperuser(const QString& host)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Superuser);
    db.setConnectOptions(QStringLiteral("host='%1' port=5432 dbname=kemra_erp user=postgres").arg(host));
    if (!db.open())
        throw DatabaseError(db.lastError().text());
}

// The history and closed-month triggers fire, or not; every other trigger stays as it is.
void setHistory(bool on)
{
    const QString verb = on ? QStringLiteral("enable") : QStringLiteral("disable");
    for (const char* action : {"insert", "update", "delete"}) {
        runStatement(Superuser, QStringLiteral("alter table accounts_dep.smena %1 trigger smena_history_%2").arg(verb, action));
        runStatement(Superuser, QStringLiteral("alter table accounts_dep.h_tabel %1 trigger h_tabel_closed_month_%2").arg(verb, action));
    }
}

// One entry saved as the editor saves it: added, then changed.
void save(int day, int operation, int product)
{
    EntryValues e = benchEntry(day, operation, product);
    DataModule6->SQL_exec->execute(insertStatement(e));
    Dataset last(Connection, QStringLiteral("last"));
    last.setSql(QStringLiteral("select max(id) as id from accounts_dep.smena"));
    last.open();
    e.id = last.value(QStringLiteral("id")).toInt();
    e.quantity = QStringLiteral("12");
    DataModule6->SQL_exec->execute(updateStatement(e));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_history SOCKET_FOLDER\n");
        return 2;
    }
    const QString host = QString::fromLocal8Bit(argv[1]);
    DataModule6 = new TDataModule6(&app);
    DataModule6->openConnection(connectionString("kemra_erp", host));
    openSuperuser(host);

    Dataset probe(Connection, QStringLiteral("probe"));
    probe.setSql(QStringLiteral("select (select count(*) from accounts_dep.smena) as entries, "
                                "(select count(*) from accounts_dep.smena_log) as logged, "
                                "(select min(id) from accounts_dep.oper) as operation, "
                                "(select i_id from accounts_dep.oper order by id limit 1) as product, "
                                "(select count(*) from pg_trigger where not tgisinternal and tgenabled <> 'D' and tgrelid in "
                                "('accounts_dep.smena'::regclass, 'accounts_dep.h_tabel'::regclass)) as triggers"));
    probe.open();
    const int entries = probe.value(QStringLiteral("entries")).toInt();
    const int logged = probe.value(QStringLiteral("logged")).toInt();
    if (entries < 100000 || logged < entries) {
        std::fprintf(stderr, "the large floor is missing (%d entries, %d logged)\n", entries, logged);
        return 1;
    }
    // the history pair and the announcements of both tables at the least
    const int triggers = probe.value(QStringLiteral("triggers")).toInt();
    if (triggers < 10) {
        std::fprintf(stderr, "the journal's triggers are missing (%d enabled)\n", triggers);
        return 1;
    }
    const int operation = probe.value(QStringLiteral("operation")).toInt();
    const int product = probe.value(QStringLiteral("product")).toInt();

    const int blocks = 12;
    const int perBlock = 25;
    const int pairs = blocks * perBlock;
    std::vector<double> withHistory, without;
    int day = 0;
    for (int i = 0; i < 20; ++i)   // warm-up
        save(day++, operation, product);
    int untimed = 20;
    for (int b = 0; b < blocks; ++b) {
        for (bool on : {true, false}) {
            setHistory(on);
            save(day++, operation, product);
            untimed += on ? 1 : 0;
            std::vector<double>& times = on ? withHistory : without;
            for (int i = 0; i < perBlock; ++i)
                times.push_back(seconds([&] { save(day++, operation, product); }) * 1e3);
        }
    }
    setHistory(true);
    probe.refresh();
    const int loggedSaves = probe.value(QStringLiteral("logged")).toInt() - logged;
    if (loggedSaves != 2 * (untimed + pairs)) {
        std::fprintf(stderr, "the saves with the triggers left %d log rows, not %d\n", loggedSaves, 2 * (untimed + pairs));
        return 1;
    }
    std::printf("entry saves on %d entries: %d saves with the triggers and %d without, in turns of %d "
                "(each added and changed with its hours), %d triggers on the journal and the hours grid\n",
                entries, pairs, pairs, perBlock, triggers);
    printTimings("save, every trigger (ms)", withHistory);
    printTimings("save, history and closed-month off (ms)", without);
    std::printf("ratio of medians %.3f\n", median(withHistory) / median(without));

    // The period log of March 2025.
    const QString statement = periodLogStatement(QDate(2025, 3, 1), QDate(2025, 3, 31), 0, LoggedAction::Any, LogPeriod::EntryDate);
    PGconn* floor = PQconnectdb(QStringLiteral("host=%1 dbname=kemra_erp user=sys").arg(host).toUtf8().constData());
    if (PQstatus(floor) != CONNECTION_OK) {
        std::fprintf(stderr, "libpq: %s", PQerrorMessage(floor));
        return 1;
    }
    PQclear(PQexec(floor, "set DateStyle to 'ISO, DMY'"));
    Dataset log(Connection, QStringLiteral("log"));
    log.setSql(statement);
    std::vector<double> ours, plain;
    int rows = 0, floorRows = 0;
    for (int r = 0; r < 5; ++r) {
        ours.push_back(seconds([&] { log.refresh(); }) * 1e3);
        rows = log.recordCount();
        plain.push_back(seconds([&] {
                            PGresult* result = PQexec(floor, statement.toUtf8().constData());
                            floorRows = PQntuples(result);
                            PQclear(result);
                        })
                        * 1e3);
    }
    PQfinish(floor);
    if (rows == 0 || rows != floorRows) {
        std::fprintf(stderr, "the period log lists %d rows, libpq %d\n", rows, floorRows);
        return 1;
    }
    std::printf("period log of March 2025: %d changes\n", rows);
    printTimings("period log, program (ms)", ours);
    printTimings("period log, libpq (ms)", plain);
    return 0;
}
