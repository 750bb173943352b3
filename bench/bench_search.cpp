// One keystroke of a list window's incremental search over 20 000 products, against the floor:
// a plain case-insensitive startsWith scan of the same texts already in memory. Program and
// baseline alternate; prints the median and the range per keystroke of each and their ratio.
#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/dataset.h"
#include "toolkit/search_box.h"
#include "timings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// What a user types looking for a product, in the other letter case than the marks.
const QStringList Keystrokes{"к", "кр", "кры", "крыш", "крышка", "крышка-", "крышка-1", "крышка-12", "п", "пр"};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_search SOCKET_FOLDER\n");
        return 2;
    }
    TDataModule6 module;
    module.openConnection(connectionString("kemra_erp", QString::fromLocal8Bit(argv[1])));

    Dataset products(TDataModule6::ConnectionName, "products");
    products.setSql("select (array['КРЫШКА','Корпус','ПАНЕЛЬ','Рама','Стойка','Щит','АБ','ПР'])[1 + g % 8]"
                    " || '-' || g as marka, g as id from generate_series(1, 20000) g order by 1");
    products.open();
    const int markaColumn = products.fieldIndex("marka");
    QStringList marks;
    for (int row = 0; row < products.recordCount(); ++row)
        marks << products.value(row, markaColumn).toString();

    QElapsedTimer timer;
    timer.start();
    searchByPrefix(products, "marka", Keystrokes.first());
    const double first = timer.nsecsElapsed() / 1e6;
    searchByPrefix(products, "marka", QString());

    const int repeats = 15;
    QVector<double> ours, floor;
    int shownOurs = 0, shownFloor = 0;
    for (int r = 0; r < repeats; ++r) {
        timer.restart();
        for (const QString& typed : Keystrokes) {
            searchByPrefix(products, "marka", typed);
            shownOurs += products.recordCount();
        }
        ours << timer.nsecsElapsed() / 1e6 / Keystrokes.size();
        searchByPrefix(products, "marka", QString());

        timer.restart();
        for (const QString& typed : Keystrokes) {
            QVector<int> shown;
            for (int row = 0; row < marks.size(); ++row)
                if (marks.at(row).startsWith(typed, Qt::CaseInsensitive))
                    shown.append(row);
            shownFloor += shown.size();
        }
        floor << timer.nsecsElapsed() / 1e6 / Keystrokes.size();
    }
    if (shownOurs != shownFloor) {
        std::fprintf(stderr, "the search shows %d rows, the scan %d\n", shownOurs, shownFloor);
        return 1;
    }
    std::printf("search over %d products, %d keystrokes x %d runs (rows shown per run: %d)\n", int(marks.size()),
                int(Keystrokes.size()), repeats, shownOurs / repeats);
    std::printf("%-30s %7.3f ms\n", "first keystroke after reading", first);
    printTimings("keystroke, program", ours);
    printTimings("keystroke, startsWith scan", floor);
    std::printf("ratio of medians %.2f\n", median(ours) / median(floor));
    return 0;
}
