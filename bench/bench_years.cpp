// A floor of twenty years against one of two: a day, an entry and a month hold the same rows
// whatever the years before them, so no day-level or month-level action may grow with them.
// The same clerk's actions as bench_trips (the program's own windows on Qt's offscreen platform,
// the program's and the server's own time, no proxy) run in two sessions at once, one on each
// floor, in rounds that alternate between them (ABBA...), after one round each that fills the
// caches. Each action's medians are printed with its ratio (the median of the rounds' ratios, each
// round on the large floor against the one beside it on the small) and the rows it worked on.
// Each floor is served by a cluster of its own, as generate_large.sql makes it with years=2 and
// years=20; the benchmark fails when either is missing or the two differ on the busy day.
//
// bench_years SOCKET_2_YEARS SOCKET_20_YEARS [--rounds N]
// (bench_years --side SOCKET is one floor's session, driven by the other process.)
#include "clerk_round.h"
#include "timings.h"
#include "app/application.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/clock.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

// Quiet time before and after each action, as in bench_trips.
const int SettleMs = 100;
const QString Direct = QStringLiteral("direct");
const QString Ready = QStringLiteral("ready");
const QString RoundDone = QStringLiteral("round done");

struct Goal {
    const char* action;
    double ratio;
};
// The actions compared, each with the most the twenty years may cost against the two.
const Goal Goals[] = {
    {"day switched", 1.1},
    {"shift switched", 1.1},
    {"entry saved, new", 1.1},
    {"entry saved, changed", 1.1},
    {"acceptance switched", 1.1},
    {"entry deleted", 1.1},
    {"time sheet opened on a month", 1.1},
    {"month rebuilt", 1.2},
    {"report's first page (by workers, a month)", 1.2},
    {"workers list opened", 1.1},
    {"products list opened", 1.1},
    {"picker's search keystroke", 1.1},
};

QVariant scalar(const QString& connection, const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    if (!q.exec(statement) || !q.next())
        clerkFail(statement + QLatin1String(": ") + q.lastError().text());
    return q.value(0);
}

void openDirect(const QString& name, const QString& host)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setConnectOptions(connectionString(QStringLiteral("kemra_erp"), host));
    if (!db.open())
        clerkFail(host + QLatin1String(": ") + db.lastError().text());
}

void settle()
{
    QEventLoop loop;
    QTimer::singleShot(SettleMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// One floor's session: signs in, then runs a round of the journal's actions for every line
// read from stdin and writes each action's time ("action<TAB>ms") and then RoundDone.
int side(QApplication& app, const QString& host)
{
    openDirect(Direct, host);
    const NewEntry entry = newEntryOfFloor(Direct);
    Clock::setToday(ClerkToday);
    QStringList shown;
    runAsClerk(shown);
    DataModule6 = new TDataModule6(&app);
    DataModule6->openConnection(connectionString(QStringLiteral("kemra_erp"), host));
    createForms();

    QElapsedTimer timer;
    const ActionClock clock{[&] {
                                settle();
                                timer.start();
                            },
                            [&](const QString& action) {
                                const double ms = timer.nsecsElapsed() / 1e6;
                                settle();
                                std::printf("%s\t%.3f\n", qPrintable(action), ms);
                            }};
    const ActionClock unmeasured{[] {}, [](const QString&) {}};
    signInToJournal(unmeasured, [&] {
        std::printf("%s\n", qPrintable(Ready));
        std::fflush(stdout);
        std::string line;
        while (std::getline(std::cin, line)) {
            journalRound(clock, entry, Direct);
            if (!shown.isEmpty())
                clerkFail(QStringLiteral("the program showed messages:\n") + shown.join(QLatin1Char('\n')));
            std::printf("%s\n", qPrintable(RoundDone));
            std::fflush(stdout);
        }
    });
    destroyForms();
    return 0;
}

// What a floor holds, and the rows each action works on there.
struct Floor {
    QString name;
    QString host;
    long entries = 0;
    int firstYear = 0;
    long gridRows = 0;
    long history = 0;
    long onTheDay = 0;
    long inTheShift = 0;
    long inTheMonth = 0;
    long monthGridRows = 0;
    long workers = 0;
    long products = 0;
};

Floor readFloor(const QString& name, const QString& host)
{
    openDirect(name, host);
    const auto count = [&](const QString& statement) { return scalar(name, statement).toLongLong(); };
    const QString day = ClerkToday.toString(Qt::ISODate);
    const QDate first(ClerkToday.year(), ClerkToday.month(), 1);
    const QString month = QStringLiteral("data>='%1' and data<'%2'").arg(first.toString(Qt::ISODate), first.addMonths(1).toString(Qt::ISODate));
    Floor f;
    f.name = name;
    f.host = host;
    f.entries = count(QStringLiteral("select count(*) from accounts_dep.smena"));
    f.firstYear = int(count(QStringLiteral("select coalesce(extract(year from min(data)), 0) from accounts_dep.smena")));
    f.gridRows = count(QStringLiteral("select count(*) from accounts_dep.h_tabel"));
    f.history = count(QStringLiteral("select count(*) from accounts_dep.smena_log"));
    f.onTheDay = count(QStringLiteral("select count(*) from accounts_dep.smena where data='%1'").arg(day));
    f.inTheShift = count(QStringLiteral("select count(*) from accounts_dep.smena where data='%1' and smena=1").arg(day));
    f.inTheMonth = count(QStringLiteral("select count(*) from accounts_dep.smena where ") + month);
    f.monthGridRows = count(QStringLiteral("select count(*) from accounts_dep.h_tabel where year=%1 and month=%2")
                                .arg(ClerkToday.year())
                                .arg(ClerkToday.month()));
    f.workers = count(QStringLiteral("select count(*) from accounts_dep.person"));
    f.products = count(QStringLiteral("select count(*) from accounts_dep.izdel"));
    QSqlDatabase::database(name).close();
    return f;
}

// The rows an action works on, on one floor.
QString rowsOf(const char* action, const Floor& f)
{
    const QString a = QLatin1String(action);
    if (a == QLatin1String("day switched"))
        return QStringLiteral("%1 entries of a day").arg(f.onTheDay);
    if (a.startsWith(QLatin1String("entry")) || a == QLatin1String("acceptance switched") || a == QLatin1String("shift switched"))
        return QStringLiteral("1 entry, %1 in its shift").arg(f.inTheShift);
    if (a == QLatin1String("time sheet opened on a month"))
        return QStringLiteral("%1 grid rows of a month").arg(f.monthGridRows);
    if (a == QLatin1String("month rebuilt") || a.startsWith(QLatin1String("report")))
        return QStringLiteral("%1 entries of a month").arg(f.inTheMonth);
    if (a == QLatin1String("workers list opened") || a == QLatin1String("picker's search keystroke"))
        return QStringLiteral("%1 workers").arg(f.workers);
    return QStringLiteral("%1 products").arg(f.products);
}

// One floor's session, in a process of its own.
class Side {
public:
    Side(const Floor& floor, const QString& program) : m_floor(floor)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, {QStringLiteral("--side"), floor.host});
        readUntil(Ready);
    }
    ~Side()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished(60000);
    }
    // One round; the first fills the caches and is not kept.
    void round(bool kept)
    {
        m_process.write("round\n");
        std::map<QString, double> round;
        for (const QString& line : readUntil(RoundDone)) {
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (parts.size() == 2) {
                m_ms[parts.at(0)].push_back(parts.at(1).toDouble());
                round[parts.at(0)] += parts.at(1).toDouble();
            }
        }
        if (!kept)
            m_ms.clear();
        else
            m_rounds.push_back(round);
    }
    const std::vector<double>& samples(const char* action) const
    {
        const auto found = m_ms.find(QLatin1String(action));
        if (found == m_ms.end())
            clerkFail(QStringLiteral("%1 never timed \"%2\"").arg(m_floor.name, QLatin1String(action)));
        return found->second;
    }
    // An action's time in each kept round (the sum where it ran more than once).
    double inRound(size_t round, const char* action) const { return m_rounds.at(round).at(QLatin1String(action)); }
    size_t rounds() const { return m_rounds.size(); }

private:
    QStringList readUntil(const QString& end)
    {
        QStringList lines;
        for (;;) {
            while (!m_process.canReadLine())
                if (!m_process.waitForReadyRead(300000))
                    clerkFail(QStringLiteral("the session on %1 ended: %2").arg(m_floor.name, m_process.errorString()));
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            if (line == end)
                return lines;
            lines << line;
        }
    }

    Floor m_floor;
    QProcess m_process;
    std::map<QString, std::vector<double>> m_ms;
    std::vector<std::map<QString, double>> m_rounds;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Figures with a point whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    if (argc == 3 && QByteArray(argv[1]) == "--side")
        return side(app, QString::fromLocal8Bit(argv[2]));
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_years SOCKET_2_YEARS SOCKET_20_YEARS [--rounds N]\n");
        return 2;
    }
    int rounds = 15;
    if (argc == 5 && QByteArray(argv[3]) == "--rounds")
        rounds = QByteArray(argv[4]).toInt();

    const Floor small = readFloor(QStringLiteral("2 years"), QString::fromLocal8Bit(argv[1]));
    const Floor large = readFloor(QStringLiteral("20 years"), QString::fromLocal8Bit(argv[2]));
    for (const Floor& f : {small, large})
        std::printf("%-8s: %ld entries from %d, %ld grid rows, %ld history rows; the busy day %ld entries, its month %ld\n",
                    qPrintable(f.name), f.entries, f.firstYear, f.gridRows, f.history, f.onTheDay, f.inTheMonth);
    if (small.onTheDay < 500 || small.workers < 300 || small.products < 1000)
        clerkFail(QStringLiteral("the large floor of 2 years is missing"));
    if (large.firstYear > ClerkToday.year() - 19 || large.entries < 9 * small.entries)
        clerkFail(QStringLiteral("the floor of 20 years is missing: %1 entries from %2").arg(large.entries).arg(large.firstYear));
    if (small.onTheDay != large.onTheDay || small.inTheMonth != large.inTheMonth || small.monthGridRows != large.monthGridRows)
        clerkFail(QStringLiteral("the two floors differ on the busy day or its month"));

    const QString program = QCoreApplication::applicationFilePath();
    Side a(small, program), b(large, program);
    a.round(false);
    b.round(false);
    for (int i = 0; i < rounds; ++i) {
        Side& first = i % 2 ? a : b;
        Side& second = i % 2 ? b : a;
        first.round(true);
        second.round(true);
    }

    // Each round on the large floor against the round beside it on the small one: the load of
    // the machine drifts, and neighbours share it.
    std::printf("\n%d rounds alternating; medians in ms; ratio = 20 years / 2 years, the median of the rounds' ratios "
                "(lowest-highest)\n", rounds);
    std::printf("%-42s %9s %9s %17s %5s  %s\n", "action", "2 years", "20 years", "ratio", "goal", "rows worked on, each floor");
    int missed = 0;
    for (const Goal& g : Goals) {
        std::vector<double> ratios;
        for (size_t i = 0; i < a.rounds(); ++i)
            ratios.push_back(b.inRound(i, g.action) / a.inRound(i, g.action));
        const double ratio = median(ratios);
        const bool met = ratio <= g.ratio;
        missed += met ? 0 : 1;
        std::printf("%-42s %9.1f %9.1f %5.2f (%4.2f-%4.2f) %5.1f  %s%s\n", g.action, median(a.samples(g.action)),
                    median(b.samples(g.action)), ratio, *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()), g.ratio, qPrintable(rowsOf(g.action, large)),
                    met ? "" : " (missed)");
    }
    std::printf("%d of %d goals met\n", int(std::size(Goals)) - missed, int(std::size(Goals)));
    return 0;
}
