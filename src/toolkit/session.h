#pragma once

#include "toolkit/database_error.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// The server session behind a named connection: the settings the program's statements rely
// on, put on the session itself so that no server default matters, and the way back after
// the server was lost.
namespace Session {

// Seconds a statement may wait on a row or table another user holds before it is cancelled:
// TABEL_LOCK_TIMEOUT, 30 when unset or not a positive number.
int lockTimeoutSeconds();

// Seconds a standby's data may lag behind the primary for a report to read there:
// TABEL_STANDBY_MAX_LAG, 60 when unset or not a positive number.
int standbyMaxLagSeconds();

// Seconds a server may take to answer a new connection before the next one named is tried, and
// to acknowledge what an open connection sent before that connection counts as lost:
// TABEL_CONNECT_TIMEOUT, 5 when unset or not a positive number (libpq waits 2 s at least).
int connectTimeoutSeconds();

// The settings, in the order they are put: dates travel as DD.MM.YYYY text, a backslash in a
// literal is a plain character, a lock is waited on for lockTimeoutSeconds() at most; and
// whatever a login's own defaults say, transactions may write, see each other's commits
// (read committed), and neither a statement nor an idle session is cut short by the server.
QStringList settingStatements();

// The same settings as libpq's connect option, with the connection's own limits: a server
// that does not answer within connectTimeoutSeconds() is given up (the next one named is
// tried), and so is an open connection over TCP whose server stops acknowledging (keepalives,
// tcp_user_timeout). A connection to this system's server opens with them, so no statement
// of its own sends them. TLS is left to libpq's defaults and the site's (PGSSLMODE, a service
// file).
QString connectSettings();

// Prepares a freshly opened connection: the settings where the connect options did not carry
// them (another driver), and the client's name given to it, or to `namedLike` when that names
// another connection, sent with its next statement; throws DatabaseError.
void prepare(QSqlDatabase& db, const QString& namedLike = QString());

// Names the program on the server: application_name (printable ASCII only, as the server keeps
// it) and tabel.client (the name as the user reads it, which the history records as the
// writer). Put on the session with its next statement, and on every session opened again later.
void nameClient(const QString& connectionName, const QString& name, const QString& asciiName);

// A statement the session needs (its name, a LISTEN) that travels in one round trip with the
// connection's next statement instead of on its own; sent once however often it is asked for.
// A group goes as it stands, its statements in order (a LISTEN that must be committed before
// the statement it precedes comes between begin and commit).
void sendWithNext(const QString& connectionName, const QStringList& statements);
// The statements waiting for a connection's next statement, taken off the queue one by one,
// so that the caller skips one result each; none inside a transaction, whose rollback would
// undo them. A statement that failed puts them back.
QStringList takeLeading(const QString& connectionName);
void putBackLeading(const QString& connectionName, const QStringList& statements);

// Opens a connection's database. One to this system's server opens on a thread of its own;
// when it takes longer than a quarter of a second, this thread goes on with its events but the
// user's input (held until it is open) meanwhile: the window repaints while a server that does
// not answer is waited for, connectTimeoutSeconds() for each server named. Until then the connection counts as lost to anyone who asks for it
// (live()), a timer's tick among them.
bool open(QSqlDatabase& db);
// Whether a connection is being opened (open()) right now.
bool isOpening(const QString& connectionName);

// The connect options of an open connection to this system's server, pinned to the server it
// is on now (of several named, the one libpq chose), so that a session opened beside it goes
// straight there; its options as they stand for another driver. Opens a lost connection again
// first; throws DatabaseError (Lost) while the server is away.
QString optionsOnSameServer(const QString& connectionName);

// What carries an open connection to this system's server: TLS, a local socket (which never
// leaves the machine), or plain TCP, on which a password may travel readable. Opens a lost
// connection again first; throws DatabaseError (Lost) while the server is away.
enum class Channel { Encrypted, LocalSocket, Plain };
Channel channel(const QString& connectionName);

// The open database of a connection. A connection closed after it was lost (QPSQL counts one
// whose socket libpq saw end as closed) is opened again with its own connection string and
// prepared anew; inside a transaction it is not, since the
// statements before would be gone. The statements waiting for the session (sendWithNext) go
// first, on their own, unless the caller sends them with its own statement (runStatement).
// Throws DatabaseError (Lost) while the server is away.
enum class Leading { SendNow, CallerSends };
QSqlDatabase live(const QString& connectionName, Leading leading = Leading::SendNow);
// Sends the statements waiting for a session in one round trip; throws DatabaseError.
void sendLeading(QSqlDatabase& db);

// Asks the server to stop the statement running on a connection (a forward-only read not yet
// read to its end, whose rows the driver would otherwise take in all before it lets the query
// go); nothing happens when none runs or the connection is not to this system's server.
void cancelStatement(const QString& connectionName);

// The error of a failed statement, of the kind the driver's report tells. A lost connection
// is closed, so that the next action reopens it.
DatabaseError failure(QSqlDatabase& db, const QSqlError& error, const QString& statement);
// The same for a failed query, whose SQLSTATE tells a refusal by the database's own rules.
DatabaseError failure(QSqlDatabase& db, const QSqlQuery& query, const QString& statement);

} // namespace Session
