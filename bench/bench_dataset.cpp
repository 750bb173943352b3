// Reading snapshots through the program's data path (QODBC → psqlODBC) against psql reading
// the same statement on the same server. Prints one line per case with the ratio.
#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/row_filter.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

namespace {

QString host;

double psqlSeconds(const QString& statement, int repeats)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i) {
        QProcess psql;
        psql.setStandardOutputFile(QProcess::nullDevice());
        psql.start("psql", {"-X", "-q", "-A", "-t", "-h", host, "-U", "sys", "-d", "kemra_erp", "-c", statement});
        psql.waitForFinished(-1);
    }
    return timer.elapsed() / 1000.0 / repeats;
}

template <class F>
double seconds(F&& work, int repeats)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        work();
    return timer.elapsed() / 1000.0 / repeats;
}

void report(const char* name, int rows, double ours, double baseline)
{
    std::printf("%-34s rows %7d  dataset %8.4f s  psql %8.4f s  ratio %5.2f\n", name, rows, ours, baseline, ours / baseline);
}

void compare(const char* name, Dataset& set, const QString& plain, int repeats)
{
    const double ours = seconds([&] { set.refresh(); }, repeats);
    report(name, set.recordCount(), ours, psqlSeconds(plain, repeats));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_dataset SOCKET_FOLDER\n");
        return 2;
    }
    host = QString::fromLocal8Bit(argv[1]);
    TDataModule6 module;
    module.openConnection(connectionString("kemra_erp", host));

    Dataset all(TDataModule6::ConnectionName, "all");
    const QString everything = "select * from accounts_dep.smena";
    all.setSql(everything);
    compare("whole journal", all, everything, 3);

    module.Oper->open();
    compare("operations price list", *module.Oper, module.Oper->sql(), 10);

    module.Smena1->setParam("data", QDate(2025, 3, 12));
    module.Smena1->setParam("ok", "ta");
    QString day = journalStatement(1);
    day.replace(":data", "to_date('12.03.2025', 'DD.MM.YYYY')").replace(":ok", "'ta'");
    compare("journal of one day, shift 1", *module.Smena1, day, 20);

    // Filtering rows already read, against the server doing the same "like".
    all.refresh();
    const double filtering = seconds([&] {
        all.setFilter(prefixFilter("ok", "N"));
        all.setFiltered(true);
        all.setFiltered(false);
    }, 5);
    report("prefix filter on the whole journal", all.recordCount(), filtering,
           psqlSeconds("select * from accounts_dep.smena where ok ilike 'N%'", 5));
    return 0;
}
