// The month overview on the large floor: from the choice of its busiest month to the window
// painted, against the same statements in one psql session; and a whole year's view. Prints
// the medians, the difference and the ratio.
#include "bench_support.h"
#include "app/application.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "overview/overview_reading.h"
#include "overview/overview_window.h"

#include <QApplication>
#include <QProcess>
#include <cstdio>

namespace {
const int Repeats = 7;

struct BusiestMonth {
    int month = 0;
    int year = 0;
    int entries = 0;
};

BusiestMonth busiestMonth()
{
    Dataset set(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Busiest"));
    set.setSql(QStringLiteral("select extract(month from data)::int, extract(year from data)::int, count(*) "
                              "from accounts_dep.smena group by 1, 2 order by 3 desc, 2, 1 limit 1"));
    set.open();
    if (set.isEmpty())
        return {};
    return {set.value(0, 0).toInt(), set.value(0, 1).toInt(), set.value(0, 2).toInt()};
}

// The window's statements as one psql session runs them, rows read to the end.
double psqlSeconds(const QString& host, const OverviewPeriod& period)
{
    OverviewQueries queries(QLatin1String(TDataModule6::ConnectionName), period, false);
    QStringList statements;
    for (Dataset* set : queries.sets())
        statements << set->boundSql();
    const QString script = statements.join(QStringLiteral(";\n")) + QLatin1Char(';');
    return medianSeconds([&] {
        QProcess run;
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(QStringLiteral("psql"), {"-X", "-q", "-A", "-t", "-h", host, "-U", "sys", "-d", "kemra_erp", "-c", script});
        if (!run.waitForFinished(60000) || run.exitCode() != 0) {
            std::fprintf(stderr, "psql failed: %s\n", run.readAllStandardError().constData());
            std::exit(1);
        }
    }, Repeats);
}

// From the choice to the window painted; with `year`, from the switch to the whole year, the
// month shown before.
double windowSeconds(TForm29& window, const QDate& month, bool year)
{
    QList<double> times;
    for (int i = 0; i < Repeats; ++i) {
        window.hide();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        window.ChooseMonth(month);
        if (year) {
            timer.restart();
            window.RadioButton2->setChecked(true);
            window.PeriodChange();
        }
        window.show();
        window.repaint();
        QApplication::processEvents();
        times << timer.nsecsElapsed() / 1e9;
    }
    return median(times);
}
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_overview <server address>\n");
        return 2;
    }
    const QString host = QString::fromLocal8Bit(argv[1]);
    setProgramFonts();
    DataModule6 = new TDataModule6(&app);
    DataModule6->openConnection(connectionString(QStringLiteral("kemra_erp"), host));
    const BusiestMonth busiest = busiestMonth();
    if (busiest.entries == 0) {
        std::fprintf(stderr, "no journal entries: load db/generate_large.sql first\n");
        return 1;
    }
    TForm29 window;
    Form29 = &window;
    window.resize(1366, 728);
    const QDate month(busiest.year, busiest.month, 1);
    window.ChooseMonth(month);
    std::printf("overview: %02d.%d, %d journal entries, %d workers, %lld hours\n", busiest.month, busiest.year, busiest.entries,
                int(window.figures().workers.size()), qlonglong(totalHours(window.figures().hours).total()));

    const double ours = windowSeconds(window, month, false);
    const double floor = psqlSeconds(host, {busiest.year, busiest.month});
    std::printf("%-34s ours %8.4f s  psql %8.4f s  over %6.1f ms (goal 300)  ratio %5.2f\n", "month overview, first paint", ours, floor,
                (ours - floor) * 1000, ours / floor);
    const double year = windowSeconds(window, month, true);
    const double yearFloor = psqlSeconds(host, {busiest.year, 0});
    std::printf("%-34s ours %8.4f s  psql %8.4f s  (goal 1 s)  ratio %5.2f\n", "year overview, painted", year, yearFloor, year / yearFloor);
    Form29 = nullptr;
    return 0;
}
