#pragma once

#include <QString>

// One database transaction on a named connection for the life of the object: begun on
// construction, committed by commit(), rolled back when the object goes out of scope without
// it (an exception on the way). A transaction opened while another is open on the same
// connection joins it, so a step that is transactional on its own (the hours upkeep) can run
// inside a larger action (saving an entry) and the outermost one decides.
class Transaction {
public:
    explicit Transaction(const QString& connectionName);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    // Whether a transaction is open on the connection.
    static bool isOpen(const QString& connectionName);

private:
    QString m_connection;
    bool m_outermost = false;
    bool m_done = false;
};
