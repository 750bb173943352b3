#pragma once

#include "toolkit/message_box.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QSqlDatabase>
#include <QTimer>
#include <QVariant>
#include <QtTest>
#include <functional>
#include <memory>

// A fresh database for this test program, copied from the schema template of the private
// cluster the test run started, and DataModule6 connected to it through the real driver; the
// sign-in window is wired to the journal as the program's start-up wires it.
namespace TestDb {
void setUp();
void tearDown();
// For a test that makes clusters of its own: their superuser sessions (resetData, execAsOwner)
// go to database `database` on the cluster of socket folder `host`.
void useCluster(const QString& host, const QString& database);
// Empties every table but the schema's list of absence codes and the one-row closing stamp, and
// puts the one-row tables back: the version (0, 0, ".") and the organisation's empty requisites.
void resetData();
// Runs a statement on the program's connection; fails the test with the driver's text.
// The program signs in as sys, a writer: what only the tables' owner may do (DDL, the
// emptying of every table, closed months put in place) goes through execAsOwner.
void exec(const QString& statement);
void execAsOwner(const QString& statement);
// A statement only a superuser may run (settings of the test database).
void execAsSuperuser(const QString& statement);
QVariant scalar(const QString& statement);
// Runs an SQL script file (psql syntax, e.g. db/demo.sql) on the test database through psql.
void runScript(const QString& path);
// Starts psql on the test database as another client, running `script` (psql syntax) from its
// standard input, as sys or as the login given. The caller waits for it to finish.
std::unique_ptr<QProcess> startScript(const QString& script, const QString& login = QStringLiteral("sys"),
                                      const QString& password = {});
// Opens another client's session to the test database as sys, through the real driver, under
// the connection name given; fails the test program when the server refuses it.
QSqlDatabase openClient(const QString& name);
// Closes that session and forgets its name.
void closeClient(const QString& name);
// Makes a login of the cluster in `group` (tabel_writer, tabel_admin) with that password, when
// missing; the cluster's roles outlive the test's database.
void createLogin(const QString& login, const QString& password, const QString& group);
// The database name and socket folder in use.
QString databaseName();
QString serverAddress();
// Stops the private cluster (its sessions end as in a server restart) and starts it again in
// place, same socket folder; the program's connection is left as it was.
void stopServer();
void startServer();
// pg_ctl with `arguments` on the cluster whose data folder is given (any private cluster the
// scripts made); throws std::runtime_error with its output when it fails.
void pgCtl(const QString& dataFolder, const QStringList& arguments);
}

// The server is away for the life of the object and back after it, even when a check failed
// in between (other test programs share the cluster).
class ServerOutage {
public:
    ServerOutage() { TestDb::stopServer(); }
    ~ServerOutage();
    ServerOutage(const ServerOutage&) = delete;
    ServerOutage& operator=(const ServerOutage&) = delete;
    // Starts the server again now.
    void end();

private:
    bool m_over = false;
};

// Records message boxes instead of showing them and answers questions from a queue
// (Yes when the queue is empty).
class MessageLog {
public:
    MessageLog();
    ~MessageLog();
    void answer(std::initializer_list<bool> answers) { for (bool a : answers) m_answers << a; }
    const QList<MessageBox::Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<MessageBox::Shown> m_shown;
    QList<bool> m_answers;
};

// Points the home folder, and with it the documents folder new workbooks go to, at `path`.
void useHomeFolder(const QString& path);

// What became of a queued action on a modal window.
struct ModalWait {
    bool ran = false;
    QPointer<QTimer> poller;
};

// Acts on the next modal window of type W once it is shown (a queued call, since exec()
// blocks the test). The action runs guarded by a time limit.
template <class W>
std::shared_ptr<ModalWait> whenModal(std::function<void(W*)> action, int timeoutMs = 5000)
{
    auto wait = std::make_shared<ModalWait>();
    auto* timer = new QTimer;
    wait->poller = timer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, started, timeoutMs, wait] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            wait->ran = true;
            action(w);
        } else if (started->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            QTest::qFail("the expected modal window never showed", __FILE__, __LINE__);
            if (auto* any = QApplication::activeModalWidget())
                any->close();
        }
    });
    timer->start();
    return wait;
}

// Runs `trigger`, which must show a modal W, and `action` on that window once it shows.
// Answers whether the window showed; a window that never did leaves no action behind.
template <class W>
bool expectModal(const std::function<void()>& trigger, std::function<void(W*)> action)
{
    const std::shared_ptr<ModalWait> wait = whenModal<W>(std::move(action));
    trigger();
    if (wait->poller) {
        wait->poller->stop();
        wait->poller->deleteLater();
    }
    return wait->ran;
}

#define EXEC_SQL(statement) TestDb::exec(statement)
