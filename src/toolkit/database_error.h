#pragma once

#include <QString>
#include <stdexcept>

// A statement the database (or the driver) refused. `what()` carries the driver's own text,
// which is what the user sees; the statement is kept for the log.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const QString& message, const QString& statement = {})
        : std::runtime_error(message.toStdString()), m_message(message), m_statement(statement) {}
    QString message() const { return m_message; }
    QString statement() const { return m_statement; }

private:
    QString m_message;
    QString m_statement;
};
