#pragma once

// The actions of a clerk in the program's own windows, on the large floor, in the order a clerk
// works: the journal of a busy day, a day and a shift switched, an entry added, changed, accepted
// and deleted, the time sheet opened and rebuilt, a report's first page, the lists and a picker's
// keystroke. The benchmarks that time them run the windows in their own process on Qt's
// offscreen platform, signed in on DataModule6's connection.
#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// The busy day the journal opens on, and the next one.
inline const QDate ClerkToday(2025, 3, 12);
inline const QDate ClerkNextDay(2025, 3, 13);

// Prints why on stderr, named by the program, and ends it.
[[noreturn]] void clerkFail(const QString& why);

// How a benchmark times an action: `start` right before it, `stop` once it is done.
struct ActionClock {
    std::function<void()> start;
    std::function<void(const QString& action)> stop;
};

// What the journal's entry editor is filled with for a new entry of shift 1 of the busy day: the
// floor's last worker on an operation that is no painting, not entered that day. Read on the
// named connection, straight to the server.
struct NewEntry {
    int worker = 0;
    QString workerName;
    int operation = 0;
    int product = 0;
    double price = 0;
    QString description;
};
NewEntry newEntryOfFloor(const QString& connection);

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
            clerkFail(QStringLiteral("a %1 never showed").arg(QLatin1String(W::staticMetaObject.className())));
    });
    poll.start();
    open();
    if (!seen)
        clerkFail(QStringLiteral("a %1 did not show").arg(QLatin1String(W::staticMetaObject.className())));
}

// The time from `open` until its window is shown; then `then` runs on it.
template <class W>
void timeShown(const ActionClock& clock, const QString& action, const std::function<void()>& open,
               const std::function<void(W*)>& then = {}, const std::function<bool(W*)>& ready = {})
{
    clock.start();
    onceShown<W>(open, [&](W* window) {
        clock.stop(action);
        if (then)
            then(window);
    }, ready);
}

void timeAction(const ActionClock& clock, const QString& action, const std::function<void()>& work);

// Makes this process run the program's windows as a clerk's desktop does (its fonts, no end when
// the last window closes), every message box answered Yes and all but the questions kept in
// `shown`, which must outlive the run.
void runAsClerk(QStringList& shown);

// Shows the sign-in window (the windows made, DataModule6 connected), signs in as the
// administrator and runs `inJournal` in the journal's own loop; times both steps.
void signInToJournal(const ActionClock& clock, const std::function<void()>& inJournal);

// The journal's actions once, the journal shown on the busy day; the benchmark's own checks
// between them go to the `direct` connection.
void journalRound(const ActionClock& clock, const NewEntry& entry, const QString& direct);
