// Round trips per user action, as a clerk on a network meets them. The program's connection goes
// through a proxy of our own (pg_proxy) that holds every packet 5 ms each way (--delay), so 10 ms per round
// trip, and counts the statements the server ran and the round trips the client waited for. The
// program's own windows run in this process on Qt's offscreen platform, on the large floor, in
// the order a clerk works: sign-in, the journal of a busy day, a day and a shift switched, an
// entry added, changed, accepted and deleted, the time sheet opened and rebuilt, a report's first
// page, the lists and a picker's keystroke; each of those `Repeats` times, the medians printed.
// Start-up is timed as processes, as bench_startup does, both through the proxy. The statements
// of the action with the most round trips are listed.
#include "pg_proxy.h"
#include "timings.h"
#include "app/application.h"
#include "catalogs/products_window.h"
#include "catalogs/workers_window.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "core/operation_names.h"
#include "core/sign_in_window.h"
#include "journal/entry_editor.h"
#include "journal/journal_window.h"
#include "reports/reports_window.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/clock.h"
#include "toolkit/message_box.h"
#include "toolkit/report/report_preview.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
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
// The busy day the journal opens on, and the next one.
const QDate Today(2025, 3, 12);
const QDate NextDay(2025, 3, 13);
const QString AdministratorCode = QStringLiteral("9723");
// The bookkeeping of the benchmark: straight to the server, not through the proxy.
const QString Direct = QStringLiteral("direct");

void fail(const QString& why)
{
    std::fprintf(stderr, "bench_trips: %s\n", qPrintable(why));
    std::exit(1);
}

QVariant directScalar(const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(Direct));
    if (!q.exec(statement) || !q.next())
        fail(statement + QLatin1String(": ") + q.lastError().text());
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

// Runs `open`, which shows a window of type W and returns once it is closed. Once the window is
// visible and active (its activation's reads done) and `ready`, runs `shown` on it, then closes
// it. A window that never shows ends the benchmark.
template <class W>
void onceShown(const std::function<void()>& open, const std::function<void(W*)>& shown,
               const std::function<bool(W*)>& ready = {})
{
    bool seen = false;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<W*>(top);
            if (!window || !window->isVisible() || !window->isActiveWindow() || (ready && !ready(window)))
                continue;
            poll.stop();
            seen = true;
            shown(window);
            window->close();
            return;
        }
        if (waited.elapsed() > 120000)
            fail(QStringLiteral("a %1 never showed").arg(QLatin1String(W::staticMetaObject.className())));
    });
    poll.start();
    open();
    if (!seen)
        fail(QStringLiteral("a %1 did not show").arg(QLatin1String(W::staticMetaObject.className())));
}

// The time from `open` until its window is shown.
template <class W>
void timeShown(Meter& meter, Results& results, const QString& action, const std::function<void()>& open,
               const std::function<void(W*)>& then = {}, const std::function<bool(W*)>& ready = {})
{
    meter.start();
    onceShown<W>(open, [&](W* window) {
        results.add(action, meter.stop());
        if (then)
            then(window);
    }, ready);
}

void timeAction(Meter& meter, Results& results, const QString& action, const std::function<void()>& work)
{
    meter.start();
    work();
    results.add(action, meter.stop());
}

// What the journal's entry editor is filled with for a new entry of shift 1 of the shown day.
struct NewEntry {
    int worker = 0;
    QString workerName;
    int operation = 0;
    int product = 0;
    double price = 0;
    QString description;
};

NewEntry newEntryOfFloor()
{
    NewEntry e;
    e.worker = directScalar(QStringLiteral("select max(id) from accounts_dep.person")).toInt();
    e.workerName = directScalar(QStringLiteral("select trim(fio) from accounts_dep.person where id=%1").arg(e.worker)).toString();
    // An operation that is no painting (no colour asked), not entered that day.
    QSqlQuery q(QSqlDatabase::database(Direct));
    if (!q.exec(QStringLiteral("select o.id, o.i_id, o.cena_new, i.marka, v.vid, o.naimen from accounts_dep.oper o "
                               "join accounts_dep.izdel i on i.id=o.i_id join accounts_dep.vid_oper v on v.id=o.vid "
                               "where o.vid > 2 and not exists (select 1 from accounts_dep.smena s where s.o_id=o.id "
                               "and s.data='%1') order by o.id limit 1")
                    .arg(Today.toString(Qt::ISODate)))
        || !q.next())
        fail(QStringLiteral("no operation for a new entry: ") + q.lastError().text());
    e.operation = q.value(0).toInt();
    e.product = q.value(1).toInt();
    e.price = q.value(2).toDouble();
    e.description = operationDescription(q.value(3).toString(), q.value(4).toString(), q.value(5).toInt());
    return e;
}

void fillEditor(TForm11* editor, const NewEntry& e)
{
    editor->FWorkerId = e.worker;
    editor->FOperationId = e.operation;
    editor->FProductId = e.product;
    editor->FPrice = e.price;
    editor->Edit1->setText(e.workerName);
    editor->Edit2->setText(e.description);
    editor->Edit3->setText(QStringLiteral("12"));
    editor->Edit4->setText(QStringLiteral("0"));
    editor->Edit6->setText(QStringLiteral("2"));
}

void typeKey(QWidget* box, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &release);
}

// The actions of a clerk in the journal, once.
void journalRound(Meter& meter, Results& results, const NewEntry& entry)
{
    for (const QDate& day : {NextDay, Today})
        timeAction(meter, results, QStringLiteral("day switched"), [&] {
            Form1->DateT->setDate(day);
            Form1->DateTCloseUp();
        });
    for (QRadioButton* shift : {Form1->RadioButton2, Form1->RadioButton1})
        timeAction(meter, results, QStringLiteral("shift switched"), [&] { shift->setChecked(true); });

    onceShown<TForm11>([] { Form1->Button1Click(); }, [&](TForm11* editor) {
        fillEditor(editor, entry);
        timeAction(meter, results, QStringLiteral("entry saved, new"), [&] { editor->Button1Click(); });
    });
    const int added = directScalar(QStringLiteral("select max(id) from accounts_dep.smena")).toInt();
    if (!DataModule6->Smena1->locate(QStringLiteral("id"), added))
        fail(QStringLiteral("the new entry is not in the journal"));
    onceShown<TForm11>([] { Form1->Button2Click(); }, [&](TForm11* editor) {
        editor->Edit3->setText(QStringLiteral("14"));
        timeAction(meter, results, QStringLiteral("entry saved, changed"), [&] { editor->Button1Click(); });
    });
    DataModule6->Smena1->locate(QStringLiteral("id"), added);
    timeAction(meter, results, QStringLiteral("acceptance switched"), [] { Form1->DBGrid2DblClick(); });
    DataModule6->Smena1->locate(QStringLiteral("id"), added);
    timeAction(meter, results, QStringLiteral("entry deleted"), [] { Form1->Button3Click(); });
    if (directScalar(QStringLiteral("select count(*) from accounts_dep.smena where id=%1").arg(added)).toInt() != 0)
        fail(QStringLiteral("the entry was not deleted"));

    timeShown<TForm19>(meter, results, QStringLiteral("time sheet opened on a month"), [] { Form1->N11Click(); },
                       [&](TForm19* sheet) {
                           timeAction(meter, results, QStringLiteral("month rebuilt"), [&] { sheet->Button1Click(); });
                       });
    onceShown<TForm18>([] { Form1->N10Click(); }, [&](TForm18* reports) {
        timeShown<ReportPreviewWindow>(
            meter, results, QStringLiteral("report's first page (by workers, a month)"), [&] { reports->Button4Click(); }, {},
            [](ReportPreviewWindow* preview) { return preview->pages()->pageCount() > 0; });
    });
    timeShown<TForm5>(meter, results, QStringLiteral("workers list opened"), [] { Form1->N1Click(); });
    timeShown<TForm3>(meter, results, QStringLiteral("products list opened"), [] { Form1->N3Click(); });
    onceShown<TForm11>([] { Form1->Button1Click(); }, [&](TForm11* editor) {
        onceShown<TForm5>([&] { editor->Button3Click(); }, [&](TForm5* picker) {
            timeAction(meter, results, QStringLiteral("picker's search keystroke"), [&] { typeKey(picker->Edit1, QStringLiteral("Р")); });
        });
    });
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
            fail(program + QLatin1String(" did not show its window"));
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
        fail(QStringLiteral("through the proxy: ") + QString::fromLocal8Bit(PQerrorMessage(connection)));
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
            fail(QStringLiteral("the proxy counted %1 statements in %2 round trips for \"%3\"")
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
            fail(direct.lastError().text());
    }
    const int onTheDay = directScalar(QStringLiteral("select count(*) from accounts_dep.smena where data='%1'")
                                          .arg(Today.toString(Qt::ISODate))).toInt();
    const int inTheMonth = directScalar(QStringLiteral("select count(*) from accounts_dep.smena where data>='2025-03-01' "
                                                       "and data<'2025-04-01'")).toInt();
    const int products = directScalar(QStringLiteral("select count(*) from accounts_dep.izdel")).toInt();
    const int workers = directScalar(QStringLiteral("select count(*) from accounts_dep.person")).toInt();
    if (onTheDay < 500 || products < 1000 || workers < 300) {
        std::fprintf(stderr, "the large floor is missing (%d entries on %s, %d products, %d workers)\n", onTheDay,
                     qPrintable(Today.toString(Qt::ISODate)), products, workers);
        return 1;
    }
    const NewEntry entry = newEntryOfFloor();

    PgProxy proxy((host + QLatin1String("/.s.PGSQL.5432")).toStdString(), delayMs);
    checkCounting(proxy);
    Results results;
    startUp(proxy, results);

    // The program's own start-up, in this process, through the proxy.
    Clock::setToday(Today);
    QStringList shown;
    MessageBox::setPresenter([&](const MessageBox::Shown& box) {
        if (box.icon != MessageBox::Icon::Question)
            shown << box.text + QLatin1Char(' ') + box.detail;
        return true;
    });
    setProgramFonts();
    QApplication::setQuitOnLastWindowClosed(false);
    Meter meter(proxy);
    timeAction(meter, results, QStringLiteral("connection opened (in process)"), [&] {
        DataModule6 = new TDataModule6(&app);
        DataModule6->openConnection(connectionString(QStringLiteral("kemra_erp"), QStringLiteral("127.0.0.1:%1").arg(proxy.port())));
    });
    createForms();
    timeShown<TForm23>(meter, results, QStringLiteral("sign-in window shown (in process)"), [] {
        Form23->show();
        // The sign-in runs the rest from inside the journal's own loop, then closes.
        QEventLoop loop;
        QTimer closed;
        closed.setInterval(10);
        QObject::connect(&closed, &QTimer::timeout, [&] {
            if (!Form23->isVisible())
                loop.quit();
        });
        closed.start();
        loop.exec();
    }, [&](TForm23* signIn) {
        signIn->Edit1->setText(AdministratorCode);
        timeShown<TForm1>(meter, results, QStringLiteral("sign-in to the journal shown"), [signIn] { signIn->Button1Click(); },
                          [&](TForm1* journal) {
                              // The version check every 30 s belongs to no action.
                              journal->Timer1->stop();
                              for (int i = 0; i < Repeats; ++i)
                                  journalRound(meter, results, entry);
                          });
    });

    std::printf("round trips per action through a proxy adding %d ms each way: journal of %s (%d entries), month of "
                "%d entries, %d products, %d workers; each journal action %d times, medians\n",
                delayMs, qPrintable(Today.toString(QStringLiteral("dd.MM.yyyy"))), onTheDay, inTheMonth, products, workers,
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
        fail(QStringLiteral("the program showed messages:\n") + shown.join(QLatin1Char('\n')));
    return 0;
}
