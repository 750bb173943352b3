#pragma once

#include "toolkit/row_filter.h"

#include <QObject>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

// A statement with named parameters whose whole result is read into a client-side
// snapshot on open(). Rows can be filtered without a round trip, walked by a 1-based
// record number, and — when the set is bound to a table — inserted, edited, posted and
// removed by key.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum State { Inactive, Browse, Edit, Insert };

    Dataset(const QString& connectionName, const QString& name, QObject* parent = nullptr);

    QString name() const { return objectName(); }
    QString connectionName() const { return m_connection; }
    void setSql(const QString& statement);
    QString sql() const { return m_sql; }
    // Parameter names are matched without regard to letter case.
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const;
    QVariantMap params() const { return m_params; }
    // Binds the set to a table for insert/edit/post/remove of rows by their key.
    void setUpdateTable(const QString& table, const QString& keyField = QStringLiteral("id"));

    void open();
    void close();
    // The statement as it is sent, its parameters in place.
    QString boundSql() const;
    // Takes the rows of a query's current result (runStatement) as the set's own.
    void readFrom(QSqlQuery& query);
    void refresh() { close(); open(); }
    bool isOpen() const { return m_state != Inactive; }
    State state() const { return m_state; }

    // Fields, looked up without regard to letter case.
    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString& field) const;

    // Rows that pass the filter.
    int recordCount() const { return m_visible.size(); }
    bool isEmpty() const { return m_visible.isEmpty(); }
    // 1-based number of the current row; -1 when there is none or the row is not stored yet.
    int recNo() const;
    // 0-based index of the current row among the shown rows, -1 when there is none.
    int currentRow() const { return m_current; }
    bool moveTo(int recNo);
    void setCurrentRow(int row);
    void first() { setCurrentRow(isEmpty() ? -1 : 0); }
    void last() { setCurrentRow(recordCount() - 1); }
    void next();
    void prior();
    bool eof() const { return m_eof; }
    // Moves to the first shown row whose field equals value; false (and no move) when none.
    bool locate(const QString& field, const QVariant& value);

    QVariant value(const QString& field) const;
    QVariant value(int row, int column) const;
    // Values of the current row, in edit or insert state.
    void setValue(const QString& field, const QVariant& value);

    void setFilter(const QString& expression);
    QString filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    void insert();
    void edit();
    void post();
    void cancel();
    void remove();
    bool modified() const { return !m_changed.isEmpty(); }

signals:
    // The set of shown rows changed (open, close, filter, insert, remove).
    void reset();
    // Values of one shown row changed.
    void rowChanged(int row);
    // The current row moved (0-based among shown rows, -1 when none).
    void currentChanged(int row);

private:
    void applyFilter(int keepSourceRow);
    int sourceRow() const { return m_current < 0 ? -1 : m_visible.at(m_current); }
    void requireOpen(const char* what) const;
    void requireTable() const;

    QString m_connection;
    QString m_sql;
    QVariantMap m_params;
    QString m_table;
    QString m_key;

    State m_state = Inactive;
    QStringList m_fields;
    QVector<QVector<QVariant>> m_rows;
    FoldedColumns m_folded;   // cleared whenever m_rows changes
    QVector<int> m_visible;
    int m_current = -1;
    bool m_eof = true;

    QString m_filterText;
    RowFilter m_filter;
    bool m_filtered = false;

    QVector<QVariant> m_original;  // the row as stored, while editing
    QVector<int> m_changed;        // columns set since edit/insert
};

// A statement without a result.
class Command : public QObject {
    Q_OBJECT
public:
    Command(const QString& connectionName, const QString& name, QObject* parent = nullptr);
    void setSql(const QString& statement) { m_sql = statement; }
    QString sql() const { return m_sql; }
    void setParam(const QString& name, const QVariant& value);
    // Runs the statement; answers the number of rows it touched.
    int execute();
    int execute(const QString& statement) { setSql(statement); return execute(); }
    // The statement as it is sent, its parameters in place.
    QString boundSql() const;

private:
    QString m_connection;
    QString m_sql;
    QVariantMap m_params;
};

// Opens datasets of one connection in one round trip: the statements in `first` (a write whose
// outcome the sets show) and the sets' own travel as one text, each set taking its own result.
// Throws DatabaseError: a statement of `first` that fails leaves the sets as they were, a read
// that fails leaves every set closed.
void openTogether(const QList<Dataset*>& sets, const QStringList& first = {});

// Runs one statement on a named connection, forward only; throws DatabaseError with the
// driver's text.
QSqlQuery runStatement(const QString& connectionName, const QString& statement);
// Moves a query of runStatement on that connection to its next row; false after the last one.
// A read that ends on an error (a session lost or ended halfway, a statement cancelled, another
// statement on the same connection that dropped the rows not read yet) throws DatabaseError.
bool nextRow(QSqlQuery& query, const QString& connectionName);
