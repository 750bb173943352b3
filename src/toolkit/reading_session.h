#pragma once

#include <QDateTime>
#include <QString>

// A server session of its own beside a named connection, for a statement whose rows are read a
// few at a time while the program goes on. Qt's PostgreSQL driver streams a forward-only result
// over its connection, and any other statement on that connection meanwhile (a refresh, a save
// in another window) makes it drop the rows not yet read. Opened with the same connect options,
// settings and client name; closed with this object.
class ReadingSession {
public:
    // Where the session reads: on the connection's own server, or, where the connection names
    // several servers and keeps the primary of them (target_session_attrs=read-write), on a
    // standby among them whose data lags no more than Session::standbyMaxLagSeconds() (else on
    // the primary), so that a long read leaves the server the writers use alone. A standby that
    // does not answer within Session::connectTimeoutSeconds() is passed over; the primary is
    // the one the connection is on, with no other tried on the way.
    enum class Server { Same, PreferStandby };

    // Throws DatabaseError when the sibling session does not open.
    explicit ReadingSession(const QString& connectionName, Server server = Server::Same);
    ~ReadingSession();
    ReadingSession(const ReadingSession&) = delete;
    ReadingSession& operator=(const ReadingSession&) = delete;

    QString connectionName() const { return m_name; }
    // On a standby, the moment its data stands at (local time); invalid on the primary.
    QDateTime standbyDataTime() const { return m_standbyDataTime; }

private:
    // Opens the session on a standby among the servers `options` names, but the primary that
    // `primaryOptions` pins; false when none answers as a standby in time or it lags too far.
    bool openOnStandby(const QString& connectionName, const QString& options, const QString& primaryOptions);

    QString m_name;
    QDateTime m_standbyDataTime;
};

// "данные на 14:03:27": what a report read on a standby says of its data; empty for a read on
// the primary.
QString standbyDataNote(const QDateTime& standbyDataTime);
