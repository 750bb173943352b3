#pragma once

#include <QString>

// A server session of its own beside a named connection, for a statement whose rows are read a
// few at a time while the program goes on. Qt's PostgreSQL driver streams a forward-only result
// over its connection, and any other statement on that connection meanwhile (a refresh, a save
// in another window) makes it drop the rows not yet read. Opened with the same connect options,
// settings and client name; closed with this object.
class ReadingSession {
public:
    // Throws DatabaseError when the sibling session does not open.
    explicit ReadingSession(const QString& connectionName);
    ~ReadingSession();
    ReadingSession(const ReadingSession&) = delete;
    ReadingSession& operator=(const ReadingSession&) = delete;

    QString connectionName() const { return m_name; }

private:
    QString m_name;
};
