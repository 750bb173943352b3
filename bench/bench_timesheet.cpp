// The time sheet's month rebuild against one set-based statement producing the same grid, and
// its spreadsheet export against libxlsxwriter alone writing the same cells, in the same run on
// the same server. Prints the median of several repetitions of each and the ratio.
#include "timings.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "hours/month_rebuild.h"
#include "timesheet/timesheet_export.h"
#include "toolkit/desktop.h"
#include "toolkit/transaction.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

const int Repeats = 7;
const int ExportMonth = 4, ExportYear = 2030;
const int ExportWorkers = 500;


void report(const char* name, double ours, double baseline, const char* against)
{
    std::printf("%-34s ours %8.4f s  %s %8.4f s  ratio %5.2f\n", name, ours, against, baseline, ours / baseline);
}

void run(const QString& statement)
{
    DataModule6->SQL_exec->execute(statement);
}

struct BusiestMonth {
    int month = 0;
    int year = 0;
    int entries = 0;
};

// The month of the large floor with the most journal entries.
BusiestMonth busiestMonth()
{
    Dataset* control = DataModule6->Control;
    control->setSql(QStringLiteral("select extract(month from data)::int as m, extract(year from data)::int as y, count(*) as n "
                                   "from accounts_dep.smena group by 1, 2 order by 3 desc, 2, 1 limit 1"));
    control->open();
    const BusiestMonth busiest{control->value(QStringLiteral("m")).toInt(), control->value(QStringLiteral("y")).toInt(),
                               control->value(QStringLiteral("n")).toInt()};
    control->close();
    return busiest;
}

// The floor: the month summed by one plain statement.
QString setBasedRebuild(int month, int year)
{
    const QDate first(year, month, 1);
    QStringList days, sums;
    for (int day = 1; day <= 31; ++day) {
        days << QStringLiteral("d%1").arg(day);
        sums << QStringLiteral("coalesce(sum(time) filter (where extract(day from data) = %1), 0)").arg(day);
    }
    return QStringLiteral("insert into accounts_dep.h_tabel (w_id, smena, month, year, %1) select w_id, smena, %2, %3, %4 "
                          "from accounts_dep.smena where data >= date '%5' and data < date '%6' group by w_id, smena")
        .arg(days.join(", "))
        .arg(month)
        .arg(year)
        .arg(sums.join(", "), first.toString(Qt::ISODate), first.addMonths(1).toString(Qt::ISODate));
}

QString gridChecksum(int month, int year)
{
    Dataset* control = DataModule6->Control;
    control->setSql(QStringLiteral("select count(*) || ':' || coalesce(sum(hashtext(w_id || '/' || smena || '/' || "
                                   "array_to_string(array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,d15,d16,d17,d18,d19,d20,"
                                   "d21,d22,d23,d24,d25,d26,d27,d28,d29,d30,d31], ','))), 0) as sum "
                                   "from accounts_dep.h_tabel where month=%1 and year=%2")
                        .arg(month)
                        .arg(year));
    control->open();
    const QString sum = control->value(QStringLiteral("sum")).toString();
    control->close();
    return sum;
}

void benchRebuild()
{
    const BusiestMonth busiest = busiestMonth();
    if (busiest.entries == 0) {
        std::fprintf(stderr, "no journal entries: load db/generate_large.sql first\n");
        std::exit(1);
    }
    const int month = busiest.month, year = busiest.year;
    const QString baseline = setBasedRebuild(month, year);
    QList<double> ours, plain;
    QString oursSum, plainSum;
    for (int i = 0; i < Repeats; ++i) {
        ours << seconds([&] { rebuildMonth(month, year); });
        oursSum = gridChecksum(month, year);
        plain << seconds([&] {
            Transaction transaction(QLatin1String(TDataModule6::ConnectionName));
            run(QStringLiteral("delete from accounts_dep.h_tabel where month=%1 and year=%2").arg(month).arg(year));
            run(baseline);
            transaction.commit();
        });
        plainSum = gridChecksum(month, year);
    }
    if (oursSum != plainSum) {
        std::fprintf(stderr, "the rebuild and the set-based statement made different grids: %s / %s\n", qPrintable(oursSum),
                     qPrintable(plainSum));
        std::exit(1);
    }
    std::printf("month rebuild: %02d.%d, %d journal entries, %s grid rows\n", month, year, busiest.entries,
                qPrintable(oursSum.section(QLatin1Char(':'), 0, 0)));
    report("month rebuild, busiest month", median(ours), median(plain), "one insert");
}

// 500 workers with the hours xlsx_cells makes up, on day 1 to 30 of the month.
void fillExportMonth()
{
    run(QStringLiteral("delete from accounts_dep.h_tabel where month=%1 and year=%2").arg(ExportMonth).arg(ExportYear));
    run(QStringLiteral("delete from cmn_contractor.person where s_code::integer > 100000"));
    run(QStringLiteral("insert into cmn_contractor.person (s_caption, s_code) "
                       "select 'Работник ' || lpad(i::text, 4, '0') || ' Б.В.', (100000 + i)::text from generate_series(1, %1) i")
            .arg(ExportWorkers));
    QStringList days, values;
    for (int day = 1; day <= 30; ++day) {
        days << QStringLiteral("d%1").arg(day);
        values << QStringLiteral("((i - 1) * 7 + %1 * 3) % 13").arg(day);
    }
    run(QStringLiteral("insert into accounts_dep.h_tabel (w_id, smena, month, year, %1) select 100000 + i, 1, %2, %3, %4 "
                       "from generate_series(1, %5) i")
            .arg(days.join(", "))
            .arg(ExportMonth)
            .arg(ExportYear)
            .arg(values.join(", "))
            .arg(ExportWorkers));
}

void benchExport()
{
    fillExportMonth();
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    Desktop::setOpener([](const QString&) { return true; });
    const QString plainProgram = QCoreApplication::applicationDirPath() + QLatin1String("/xlsx_cells");
    QList<double> ours, plain;
    for (int i = 0; i < Repeats; ++i) {
        ours << seconds([] {
            exportMonth(ExportMonth, ExportYear, [](int, int) { QCoreApplication::processEvents(); });
        });
        QProcess writer;
        writer.start(plainProgram, {home.filePath(QStringLiteral("plain.xlsx")), QString::number(ExportWorkers)});
        if (!writer.waitForFinished(-1) || writer.exitCode() != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(plainProgram));
            std::exit(1);
        }
        plain << writer.readAllStandardOutput().trimmed().toDouble();
    }
    report("export, 500 workers x 33 cells", median(ours), median(plain), "libxlsxwriter");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_timesheet SOCKET_FOLDER\n");
        return 2;
    }
    TDataModule6 module;
    DataModule6 = &module;
    module.openConnection(connectionString("kemra_erp", QString::fromLocal8Bit(argv[1])));
    benchRebuild();
    benchExport();
    DataModule6 = nullptr;
    return 0;
}
