// Round trips per user action, as a clerk on a network meets them. The program's connection goes
// through a proxy of our own (pg_proxy) that holds every packet 5 ms each way (--delay), so 10 ms per round
// trip, and counts the statements the server ran and the round trips the client waited for. The
// program's own windows run in this process on Qt's offscreen platform, on the large floor, in
// the order a clerk works: sign-in, the journal of a busy day, a day and a shift switched, an
// entry added, changed, accepted and deleted, the time sheet opened and rebuilt, a report's first
// page, the lists and a picker's keystroke; each of those `Repeats` times, the medians printed.
// Start-up is timed as processes, as bench_startup does, both through the proxy. The statements
// of the action with the most round trips are listed.
#include "clerk_round.h"
#include "pg_proxy.h"
#include "timings.h"
#include "app/application.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/clock.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <libpq-fe.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const int Repeats = 5;
// Quiet time before and after each action: what the action set off late (a re-read on an
// announcement, the rest of a streamed result) still counts to it, not to the next.
const int SettleMs = 100;
// Alternating runs of each start-up, after one that fills the caches.
const int StartUps = 15;
// The bookkeeping of the benchmark: straight to the server, not through the proxy.
const QString Direct = QStringLiteral("direct");

QVariant directScalar(const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(Direct));
    if (!q.exec(statement) || !q.next())
        clerkFail(statement + QLatin1String(": ") + q.lastError().text());
    return q.value(0);
}

void settle()
{
    QEventLoop loop;
    QTimer::singleShot(SettleMs, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Sample {
    long statements = 0;
    long roundTrips = 0;
    long connections = 0;
    double ms = 0;
    std::vector<PgProxy::Sent> sent;
};

// The proxy's counts and the wall clock over one action.
class Meter {
public:
    explicit Meter(const PgProxy& proxy) : m_proxy(proxy) {}

    void start()
    {
        settle();
        m_from = m_proxy.counts();
        m_sentFrom = m_proxy.sentCount();
        m_timer.start();
    }
    // The time so far; the counts once what the action set off has settled.
    Sample stop()
    {
        Sample s;
        s.ms = m_timer.nsecsElapsed() / 1e6;
        settle();
        const PgProxy::Counts to = m_proxy.counts();
        s.statements = to.statements - m_from.statements;
        s.roundTrips = to.roundTrips - m_from.roundTrips;
        s.connections = to.connections - m_from.connections;
        s.sent = m_proxy.sentSince(m_sentFrom);
        for (PgProxy::Sent& sent : s.sent)
            sent.roundTrip -= m_from.roundTrips;
        return s;
    }

private:
    const PgProxy& m_proxy;
    PgProxy::Counts m_from;
    size_t m_sentFrom = 0;
    QElapsedTimer m_timer;
};

// The samples of each action, in the order the actions first ran.
class Results {
public:
    void add(const QString& action, Sample sample)
    {
        for (auto& [name, samples] : m_actions)
            if (name == action) {
                samples.push_back(std::move(sample));
                return;
            }
        m_actions.push_back({action, {std::move(sample)}});
    }
    const std::vector<std::pair<QString, std::vector<Sample>>>& actions() const { return m_actions; }

private:
    std::vector<std::pair<QString, std::vector<Sample>>> m_actions;
};

// "7", or "7-9" when the repetitions differ.
template <class Get>
QString range(const std::vector<Sample>& samples, Get get)
{
    long low = get(samples.front()), high = low;
    for (const Sample& s : samples) {
        low = std::min(low, get(s));
        high = std::max(high, get(s));
    }
    return low == high ? QString::number(low) : QStringLiteral("%1-%2").arg(low).arg(high);
}

double medianMs(const std::vector<Sample>& samples)
{
    std::vector<double> ms;
    for (const Sample& s : samples)
        ms.push_back(s.ms);
    return median(ms);
}

// The clock of the clerk's actions: the proxy's counts and the wall clock over each.
ActionClock meterClock(Meter& meter, Results& results)
{
    return {[&meter] { meter.start(); }, [&meter, &results](const QString& action) { results.add(action, meter.stop()); }};
}

// Start-up of the program, and of the least Qt program on the same connection, as processes
// through the proxy, alternating; each ends when its first window shows.
void startUp(PgProxy& proxy, Results& results)
{
    const QString here = QCoreApplication::applicationDirPath();
    const QStringList arguments{QStringLiteral("kemra_erp"), QStringLiteral("127.0.0.1:%1").arg(proxy.port())};
    const auto run = [&](Results& to, const QString& program, const QString& action) {
        Meter meter(proxy);
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        meter.start();
        process.start(QDir(here).filePath(program), arguments);
        process.waitForFinished(-1);
        Sample s = meter.stop();
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            clerkFail(program + QLatin1String(" did not show its window"));
        to.add(action, std::move(s));
    };
    Results warmUp;   // the first run of each fills the caches
    for (int i = 0; i <= StartUps; ++i) {
        run(i == 0 ? warmUp : results, QStringLiteral("startup_tabel"), QStringLiteral("start-up to the sign-in window (process)"));
        run(i == 0 ? warmUp : results, QStringLiteral("startup_floor"), QStringLiteral("  least Qt program, same connection"));
    }
}

// The most round trips an action may take, where a goal is set.
QString goal(const QString& action)
{
    if (action.startsWith(QLatin1String("entry saved")))
        return QStringLiteral("3");
    if (action == QLatin1String("day switched"))
        return QStringLiteral("1");
    if (action == QLatin1String("sign-in to the journal shown"))
        return QStringLiteral("4");
    if (action == QLatin1String("time sheet opened on a month"))
        return QStringLiteral("2");
    return {};
}

void printTable(const Results& results)
{
    std::printf("%-46s %10s %11s %11s %9s %5s\n", "action", "statements", "round trips", "connections", "ms", "goal");
    for (const auto& [action, samples] : results.actions())
        std::printf("%-46s %10s %11s %11s %9.1f %5s\n", qPrintable(action),
                    qPrintable(range(samples, [](const Sample& s) { return s.statements; })),
                    qPrintable(range(samples, [](const Sample& s) { return s.roundTrips; })),
                    qPrintable(range(samples, [](const Sample& s) { return s.connections; })), medianMs(samples),
                    qPrintable(goal(action)));
}

void printSent(const QString& action, const Sample& sample)
{
    std::printf("\n%s: %ld statements in %ld round trips, as sent:\n", qPrintable(action), sample.statements, sample.roundTrips);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const PgProxy::Sent& sent : sample.sent) {
        QString text = QString::fromStdString(sent.text).replace(blanks, QStringLiteral(" ")).trimmed();
        if (text.size() > 150)
            text = text.left(147) + QLatin1String("...");
        std::printf("%4ld  %s\n", sent.roundTrip, qPrintable(text));
    }
}

// The texts each action sent the last time it ran, with the round trip each went out in; only
// the action that waited the most round trips unless `every`.
void printStatements(const Results& results, bool every)
{
    const std::pair<QString, std::vector<Sample>>* heaviest = nullptr;
    for (const auto& action : results.actions()) {
        if (every)
            printSent(action.first, action.second.back());
        else if (!heaviest || action.second.back().roundTrips > heaviest->second.back().roundTrips)
            heaviest = &action;
    }
    if (heaviest)
        printSent(QStringLiteral("the heaviest action, ") + heaviest->first, heaviest->second.back());
}

// The proxy's counting on known cases, through libpq on a connection of its own: one statement;
// two in one simple query; a failing one; one of the extended protocol (Parse, Bind, Describe,
// Execute, Sync). Each is one round trip.
void checkCounting(const PgProxy& proxy)
{
    const QByteArray options = QStringLiteral("host=127.0.0.1 port=%1 dbname=kemra_erp user=sys").arg(proxy.port()).toUtf8();
    PGconn* connection = PQconnectdb(options.constData());
    if (PQstatus(connection) != CONNECTION_OK)
        clerkFail(QStringLiteral("through the proxy: ") + QString::fromLocal8Bit(PQerrorMessage(connection)));
    const auto simple = [&](const char* statement) { PQclear(PQexec(connection, statement)); };
    const auto extended = [&](const char* statement) {
        const char* value = "1";
        PQclear(PQexecParams(connection, statement, 1, nullptr, &value, nullptr, nullptr, 0));
    };
    const struct {
        const char* statement;
        std::function<void(const char*)> send;
        long statements;
    } cases[] = {
        {"select 1", simple, 1},
        {"select 1; select 2", simple, 2},
        {"select 1/0", simple, 1},
        {"select $1::int", extended, 1},
    };
    for (const auto& c : cases) {
        const PgProxy::Counts before = proxy.counts();
        c.send(c.statement);
        const PgProxy::Counts after = proxy.counts();
        if (after.statements - before.statements != c.statements || after.roundTrips - before.roundTrips != 1)
            clerkFail(QStringLiteral("the proxy counted %1 statements in %2 round trips for \"%3\"")
                     .arg(after.statements - before.statements)
                     .arg(after.roundTrips - before.roundTrips)
                     .arg(QLatin1String(c.statement)));
    }
    PQfinish(connection);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_trips SOCKET_FOLDER [--statements] [--delay MS_EACH_WAY]\n");
        return 2;
    }
    // Figures with a point whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    bool every = false;
    int delayMs = 5;   // each way
    for (int i = 2; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--statements")
            every = true;
        else if (QByteArray(argv[i]) == "--delay" && i + 1 < argc)
            delayMs = QByteArray(argv[++i]).toInt();
    }
    const QString host = QString::fromLocal8Bit(argv[1]);
    {
        QSqlDatabase direct = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Direct);
        direct.setConnectOptions(connectionString(QStringLiteral("kemra_erp"), host));
        if (!direct.open())
            clerkFail(direct.lastError().text());
    }
    const int onTheDay = directScalar(QStringLiteral("select count(*) from accounts_dep.smena where data='%1'")
                                          .arg(ClerkToday.toString(Qt::ISODate))).toInt();
    const int inTheMonth = directScalar(QStringLiteral("select count(*) from accounts_dep.smena where data>='2025-03-01' "
                                                       "and data<'2025-04-01'")).toInt();
    const int products = directScalar(QStringLiteral("select count(*) from accounts_dep.izdel")).toInt();
    const int workers = directScalar(QStringLiteral("select count(*) from accounts_dep.person")).toInt();
    if (onTheDay < 500 || products < 1000 || workers < 300) {
        std::fprintf(stderr, "the large floor is missing (%d entries on %s, %d products, %d workers)\n", onTheDay,
                     qPrintable(ClerkToday.toString(Qt::ISODate)), products, workers);
        return 1;
    }
    const NewEntry entry = newEntryOfFloor(Direct);

    PgProxy proxy((host + QLatin1String("/.s.PGSQL.5432")).toStdString(), delayMs);
    checkCounting(proxy);
    Results results;
    startUp(proxy, results);

    // The program's own start-up, in this process, through the proxy.
    Clock::setToday(ClerkToday);
    QStringList shown;
    runAsClerk(shown);
    Meter meter(proxy);
    const ActionClock clock = meterClock(meter, results);
    timeAction(clock, QStringLiteral("connection opened (in process)"), [&] {
        DataModule6 = new TDataModule6(&app);
        DataModule6->openConnection(connectionString(QStringLiteral("kemra_erp"), QStringLiteral("127.0.0.1:%1").arg(proxy.port())));
    });
    createForms();
    signInToJournal(clock, [&] {
        for (int i = 0; i < Repeats; ++i)
            journalRound(clock, entry, Direct);
    });

    std::printf("round trips per action through a proxy adding %d ms each way: journal of %s (%d entries), month of "
                "%d entries, %d products, %d workers; each journal action %d times, medians\n",
                delayMs, qPrintable(ClerkToday.toString(QStringLiteral("dd.MM.yyyy"))), onTheDay, inTheMonth, products, workers,
                Repeats);
    printTable(results);
    const auto& all = results.actions();
    for (int i : {0, 1}) {
        std::vector<double> ms;
        for (const Sample& s : all.at(i).second)
            ms.push_back(s.ms);
        printTimings(i == 0 ? "start-up, the program" : "start-up, least Qt program", ms);
    }
    std::printf("start-up ratio of medians %.2f (goal 1.5)\n", medianMs(all.at(0).second) / medianMs(all.at(1).second));
    printStatements(results, every);
    destroyForms();
    // The figures stand, but an action that ended in a message did not do its work.
    if (!shown.isEmpty())
        clerkFail(QStringLiteral("the program showed messages:\n") + shown.join(QLatin1Char('\n')));
    return 0;
}
