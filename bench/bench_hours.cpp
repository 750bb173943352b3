// The hours grid kept by the server, on the large floor.
// An entry's save as the editor writes it (added, then changed: one statement each, the server's
// trigger keeping the cells) against the save as it was before the server kept the grid: the
// grid trigger disabled, and each statement followed by the program's own upkeep of the cell
// (make sure of the row, lock it, write the day's sum) in one transaction. The two take turns in
// blocks, each block after one save untimed, since switching the trigger makes the session plan
// its statements anew.
// An ERP batch: 100 000 entries over a whole year in one insert by psql, against the same insert
// with the grid triggers disabled (the floor: the journal's other triggers still fire). Each is
// rolled back; psql's own timing covers the insert and the grid's upkeep, which the server
// runs at commit and here at once, as the transaction tells it to. After each insert with the
// triggers the year's grid is compared with the journal before the rollback.
#include "timings.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "bench_entry.h"
#include "journal/entry_statements.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QCoreApplication>
#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>

#include <cstdio>
#include <vector>

namespace {

const QString Connection = QLatin1String(TDataModule6::ConnectionName);
const int BatchRows = 100000;
QString host;

void run(const QString& statement)
{
    DataModule6->SQL_exec->execute(statement);
}

int scalar(const QString& statement)
{
    Dataset probe(Connection, QStringLiteral("probe"));
    probe.setSql(statement);
    probe.open();
    return probe.value(0, 0).toInt();
}

// Only the tables' owner switches triggers: the cluster's superuser, on a connection of its own.
const QString Superuser = QStringLiteral("superuser");

void setGridTrigger(bool on)
{
    if (!QSqlDatabase::contains(Superuser)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Superuser);
        db.setConnectOptions(QStringLiteral("host='%1' port=5432 dbname=kemra_erp user=postgres").arg(host));
        if (!db.open()) {
            std::fprintf(stderr, "superuser: %s\n", qPrintable(db.lastError().text()));
            std::exit(1);
        }
    }
    for (const char* trigger : {"smena_hours_insert", "smena_hours_update", "smena_hours_delete"})
        runStatement(Superuser, QStringLiteral("alter table accounts_dep.smena %1 trigger %2")
                                    .arg(on ? QStringLiteral("enable") : QStringLiteral("disable"), QLatin1String(trigger)));
}

// The program's upkeep of one cell after a save, as it ran before the server kept the grid.
void formerUpkeep(const EntryValues& e)
{
    const QString row = QStringLiteral(" where w_id=%1 and smena=%2 and month=%3 and year=%4")
                            .arg(e.worker)
                            .arg(e.shift)
                            .arg(e.date.month())
                            .arg(e.date.year());
    run(QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year) values(%1, %2, %3, %4) "
                       "on conflict (w_id, smena, month, year) do nothing")
            .arg(e.shift)
            .arg(e.worker)
            .arg(e.date.month())
            .arg(e.date.year()));
    Dataset* control = DataModule6->Control;
    control->setSql(QStringLiteral("select id from accounts_dep.h_tabel") + row + QStringLiteral(" for update"));
    control->open();
    control->close();
    run(QStringLiteral("update accounts_dep.h_tabel set d%1=(select coalesce(sum(time), 0) from accounts_dep.smena "
                       "where w_id=%2 and smena=%3 and data=to_date('%4', 'DD.MM.YYYY'))")
            .arg(e.date.day())
            .arg(e.worker)
            .arg(e.shift)
            .arg(sqlDateText(e.date))
        + row);
}

// One entry added, then changed to another day, as the editor saves it now or as it did before.
void save(int day, int operation, int product, bool before)
{
    EntryValues e = benchEntry(day, operation, product);
    const auto write = [&](const QString& statement) {
        if (!before) {
            run(statement);
            return;
        }
        Transaction t(Connection);
        run(statement);
        formerUpkeep(e);
        t.commit();
    };
    write(insertStatement(e));
    e.id = scalar(QStringLiteral("select max(id) from accounts_dep.smena"));
    e.quantity = QStringLiteral("12");
    e.hours = QStringLiteral("5");
    write(updateStatement(e));
}

// Milliseconds of the batch insert and its grid upkeep as psql timed them; the grid's mismatches
// with the journal in the batch's year (with the triggers) in `mismatches`.
double batchInsert(bool gridTrigger, int& inserted, int& mismatches)
{
    const QString script = QStringLiteral(
        "begin;\n\\timing on\n"
        "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)\n"
        "select date '2026-01-01' + g % 365, 1 + g % 4, 1 + (g * 7) % 300, 1, 1, 10, 10, 0, 0, 1 + g % 11, 'no', now()\n"
        "  from generate_series(1, %1) g;\n"
        "set constraints accounts_dep.h_tabel_queue_settle immediate;\n"
        "\\timing off\n"
        "with j as (select w_id, smena, data, sum(time)::int hours from accounts_dep.smena\n"
        "            where data >= '2026-01-01' and data < '2027-01-01' group by 1, 2, 3),\n"
        "     g as (select h.w_id, h.smena, make_date(h.year, h.month, c.d::int) data, c.hours\n"
        "             from accounts_dep.h_tabel h\n"
        "            cross join lateral unnest(array[d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17,\n"
        "                  d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31]) with ordinality c(hours, d)\n"
        "            where h.year = 2026 and c.d <= extract(day from make_date(h.year, h.month, 1) + interval '1 month - 1 day'))\n"
        "select 'mismatches ' || count(*) from g full join j using (w_id, smena, data) where g.hours is distinct from coalesce(j.hours, 0);\n"
        "rollback;\n")
                               .arg(BatchRows);
    setGridTrigger(gridTrigger);
    QProcess psql;
    psql.setProcessChannelMode(QProcess::MergedChannels);
    psql.start(QStringLiteral("psql"), {"-X", "-At", "-v", "ON_ERROR_STOP=1", "-h", host, "-U", "sys", "-d", "kemra_erp"});
    psql.write(script.toUtf8());
    psql.closeWriteChannel();
    psql.waitForFinished(-1);
    setGridTrigger(true);
    const QString output = QString::fromUtf8(psql.readAll());
    const QRegularExpressionMatch insert = QRegularExpression(QStringLiteral("INSERT 0 (\\d+)")).match(output);
    double milliseconds = 0;
    int timings = 0;
    for (const QRegularExpressionMatch& time : QRegularExpression(QStringLiteral("Time: ([0-9.]+) ms")).globalMatch(output)) {
        milliseconds += time.captured(1).toDouble();
        ++timings;
    }
    const QRegularExpressionMatch wrong = QRegularExpression(QStringLiteral("mismatches (\\d+)")).match(output);
    if (psql.exitCode() != 0 || !insert.hasMatch() || timings != 2 || !wrong.hasMatch()) {
        std::fprintf(stderr, "the batch failed:\n%s\n", qPrintable(output));
        std::exit(1);
    }
    inserted = insert.captured(1).toInt();
    mismatches = gridTrigger ? wrong.captured(1).toInt() : 0;
    return milliseconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_hours SOCKET_FOLDER\n");
        return 2;
    }
    host = QString::fromLocal8Bit(argv[1]);
    DataModule6 = new TDataModule6(&app);
    DataModule6->openConnection(connectionString("kemra_erp", host));

    const int entries = scalar(QStringLiteral("select count(*) from accounts_dep.smena"));
    const int gridRows = scalar(QStringLiteral("select count(*) from accounts_dep.h_tabel"));
    const int triggers = scalar(QStringLiteral("select count(*) from pg_trigger where tgrelid = 'accounts_dep.smena'::regclass "
                                               "and tgname like 'smena_hours_%' and tgenabled <> 'D'"));
    if (entries < 100000 || gridRows == 0 || triggers != 4) {
        std::fprintf(stderr, "the large floor is missing (%d entries, %d grid rows, %d grid triggers)\n", entries, gridRows, triggers);
        return 1;
    }
    const int operation = scalar(QStringLiteral("select min(id) from accounts_dep.oper"));
    const int product = scalar(QStringLiteral("select i_id from accounts_dep.oper order by id limit 1"));

    const int blocks = 12;
    const int perBlock = 25;
    std::vector<double> now, before;
    int day = 0;
    for (int i = 0; i < 20; ++i)   // warm-up
        save(day++, operation, product, false);
    for (int b = 0; b < blocks; ++b) {
        for (bool former : {false, true}) {
            setGridTrigger(!former);
            save(day++, operation, product, former);
            std::vector<double>& times = former ? before : now;
            for (int i = 0; i < perBlock; ++i)
                times.push_back(seconds([&] { save(day++, operation, product, former); }) * 1e3);
        }
    }
    setGridTrigger(true);
    std::printf("entry saves on %d entries and %d grid rows: %d saves each way in turns of %d (each added and changed "
                "to another day)\n",
                entries, gridRows, blocks * perBlock, perBlock);
    printTimings("save, grid by the server (ms)", now);
    printTimings("save, grid by the program (ms)", before);
    std::printf("ratio of medians %.3f\n", median(now) / median(before));

    std::vector<double> withTrigger, without;
    int inserted = 0, mismatches = 0;
    for (int r = 0; r < 3; ++r) {
        for (bool on : {true, false}) {
            int rows = 0, wrong = 0;
            (on ? withTrigger : without).push_back(batchInsert(on, rows, wrong));
            inserted = rows;
            mismatches += wrong;
            if (rows != BatchRows) {
                std::fprintf(stderr, "the batch inserted %d rows, not %d\n", rows, BatchRows);
                return 1;
            }
        }
    }
    if (mismatches != 0) {
        std::fprintf(stderr, "the grid left %d cells out of step with the batch\n", mismatches);
        return 1;
    }
    std::printf("one insert of %d entries over a year by psql and its grid upkeep, rolled back, on %d entries\n", inserted, entries);
    printTimings("batch, grid triggers (ms)", withTrigger);
    printTimings("batch, grid triggers off (ms)", without);
    std::printf("ratio of medians %.3f\n", median(withTrigger) / median(without));
    return 0;
}
