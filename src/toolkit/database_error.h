#pragma once

#include <QString>
#include <stdexcept>

// An action the database (or the driver, or the program's own data layer) could not carry out.
// `message()` is the driver's own text for errors from the server; `userText()` is the short
// sentence the user reads, with the driver's text as its detail.
class DatabaseError : public std::runtime_error {
public:
    enum Kind {
        Program,    // the program's own message, shown as it stands
        Lost,       // the connection to the server is gone
        Refused,    // the server refused the statement
        TimedOut,   // the statement waited too long (a lock held by another user)
        Rule,       // a rule of the database refused it (a closed month); its message is for the user
    };

    DatabaseError(const QString& message, const QString& statement = {}, Kind kind = Program)
        : std::runtime_error(message.toStdString()), m_message(message), m_statement(statement), m_kind(kind) {}
    QString message() const { return m_message; }
    QString statement() const { return m_statement; }
    Kind kind() const { return m_kind; }
    QString userText() const;

private:
    QString m_message;
    QString m_statement;
    Kind m_kind;
};

// The text of a lost connection, shown once per action that met it.
inline constexpr const char* LostConnectionText = "Нет связи с сервером БД. Повторите действие.";
