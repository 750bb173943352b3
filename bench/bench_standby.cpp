// A primary with a streaming standby (scripts/pg-pair) holding the large synthetic floor. First
// the CPU time the primary's server processes spend while the program reads the detailed
// report by workers over a year, with only the primary named and with both named (the report
// then reads on the standby). Then a failover: the primary stops, the standby is promoted, and
// the time from the promotion to the program's next successful save. The event loop runs in
// between, as the program's does while the user types: the live refresh's socket sees the old
// primary go, so the first save already goes to the new primary (an attempt refused would be
// counted and printed).
#include "timings.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "reports/report_statements.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_rows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {
const int Repeats = 3;

// CPU seconds of a cluster's server: its postmaster with the children it reaped, and the
// children still running.
double clusterCpuSeconds(const QString& host)
{
    QFile pidFile(host + QStringLiteral("/data/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray postmaster = pidFile.readLine().trimmed();
    long ticks = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // After the command's closing parenthesis: state, ppid, ... utime (14), stime, cutime, cstime.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 15)
            continue;
        if (entry.toLatin1() == postmaster)
            ticks += fields.at(11).toLong() + fields.at(12).toLong() + fields.at(13).toLong() + fields.at(14).toLong();
        else if (fields.at(1) == postmaster)
            ticks += fields.at(11).toLong() + fields.at(12).toLong();
    }
    return double(ticks) / sysconf(_SC_CLK_TCK);
}

struct Spent {
    double primary = 0;
    double standby = 0;
    double wall = 0;
    int rows = 0;
};

// The year's report read through the program's report path, as the preview reads it.
Spent readYear(const QString& primary, const QString& standby)
{
    Dataset report(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("w_Report"));
    report.setSql(workersDetailReportStatement());
    prepareReportQuery(report, QDate(2024, 1, 1), QDate(2025, 1, 1), AllProducts);
    Spent spent;
    const double primaryBefore = clusterCpuSeconds(primary);
    const double standbyBefore = clusterCpuSeconds(standby);
    spent.wall = seconds([&] {
        DatasetReader rows(report);
        QVector<QVariant> row;
        while (rows.next(row))
            ++spent.rows;
    });
    spent.primary = clusterCpuSeconds(primary) - primaryBefore;
    spent.standby = clusterCpuSeconds(standby) - standbyBefore;
    return spent;
}

QString& pgCtlProgram()
{
    static QString path;
    return path;
}

// As the user that owns the clusters.
void pgCtl(const QString& host, const QStringList& arguments)
{
    QStringList command = QStringList{pgCtlProgram(), QStringLiteral("-D"), host + QStringLiteral("/data")} + arguments;
    if (geteuid() == 0)
        command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} + command;
    if (QProcess::execute(command.takeFirst(), command) != 0)
        throw std::runtime_error("pg_ctl " + arguments.join(QLatin1Char(' ')).toStdString() + " failed");
}

const char* const Save =
    "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok, vvod) "
    "select current_date, 1, w_id, i_id, o_id, cena, 1, 0, '1', 'no', now() from accounts_dep.smena limit 1";
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_standby <primary socket folder> <standby socket folder> <pg_ctl>\n");
        return 2;
    }
    pgCtlProgram() = QString::fromLocal8Bit(argv[3]);
    const QString primary = QString::fromLocal8Bit(argv[1]);
    const QString standby = QString::fromLocal8Bit(argv[2]);
    DataModule6 = new TDataModule6(&app);
    try {
        for (const bool both : {false, true}) {
            DataModule6->openConnection(connectionString(QStringLiteral("kemra_erp"), both ? primary + QLatin1Char(',') + standby : primary));
            std::vector<double> onPrimary, onStandby, wall;
            int rows = 0;
            for (int i = 0; i < Repeats; ++i) {
                const Spent spent = readYear(primary, standby);
                onPrimary.push_back(spent.primary);
                onStandby.push_back(spent.standby);
                wall.push_back(spent.wall);
                rows = spent.rows;
            }
            std::printf("year report (%d rows), %-22s primary CPU %6.2f s  standby CPU %6.2f s  wall %6.2f s\n", rows,
                        both ? "primary and standby:" : "primary alone:", median(onPrimary), median(onStandby), median(wall));
        }
        runStatement(QLatin1String(TDataModule6::ConnectionName), QLatin1String(Save));
        pgCtl(primary, {QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
        const double promotion = seconds([&] { pgCtl(standby, {QStringLiteral("-w"), QStringLiteral("promote")}); });
        QElapsedTimer sincePromoted;
        sincePromoted.start();
        QCoreApplication::processEvents();
        int refused = 0;
        for (;;) {
            try {
                runStatement(QLatin1String(TDataModule6::ConnectionName), QLatin1String(Save));
                break;
            } catch (const DatabaseError& e) {
                if (e.kind() != DatabaseError::Lost || ++refused > 1)
                    throw;
            }
        }
        std::printf("failover: pg_ctl promote %.0f ms; promoted standby to the next save %.1f ms (%d attempts refused)\n",
                    promotion * 1000, sincePromoted.nsecsElapsed() / 1e6, refused);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_standby: %s\n", e.what());
        return 1;
    }
    return 0;
}
