#pragma once

#include <QHash>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

class Dataset;
class ReadingSession;
class RowFilter;

// The rows a report is laid out from, in printing order, all at hand.
class ReportRowSource {
public:
    virtual ~ReportRowSource() = default;
    virtual int rowCount() const = 0;
    virtual QStringList columns() const = 0;
    virtual QVariant value(int row, int column) const = 0;
};

// The rows of an open Dataset that pass its filter.
class DatasetRows : public ReportRowSource {
public:
    explicit DatasetRows(const Dataset& dataset) : m_dataset(dataset) {}
    int rowCount() const override;
    QStringList columns() const override;
    QVariant value(int row, int column) const override;

private:
    const Dataset& m_dataset;
};

// Rows held in memory: tests and reports built from computed values.
class MemoryRows : public ReportRowSource {
public:
    explicit MemoryRows(const QStringList& columns) : m_columns(columns) {}
    void append(const QVector<QVariant>& row) { m_rows.append(row); }
    int rowCount() const override { return int(m_rows.size()); }
    QStringList columns() const override { return m_columns; }
    QVariant value(int row, int column) const override { return m_rows.at(row).value(column); }

private:
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
};

// Rows as they arrive, one at a time, forward only: a report lays each out and keeps none.
class ReportRowReader {
public:
    virtual ~ReportRowReader() = default;
    virtual QStringList columns() const = 0;
    // The next row into `row`; false at the end.
    virtual bool next(QVector<QVariant>& row) = 0;
    // How many rows come in all, -1 when the driver cannot tell before the end.
    virtual int sizeHint() const { return -1; }
    // What the preview says of where the rows come from ("данные на 14:03:27"); empty when
    // they are the primary server's.
    virtual QString sourceNote() const { return {}; }
};

// The statement of a Dataset with its parameters, run forward only on a session of its own, so
// that the program's other statements meanwhile leave its rows alone, on a standby server when
// one is named and up to date (see ReadingSession); the set's filter passes rows through and
// the set itself stays closed. The statement runs on construction and throws DatabaseError
// when the server refuses it; the session closes with the last row. A read cut short throws;
// a reader let go before the last row stops its statement on the server.
class DatasetReader : public ReportRowReader {
public:
    explicit DatasetReader(const Dataset& dataset);
    ~DatasetReader() override;
    QStringList columns() const override { return m_columns; }
    bool next(QVector<QVariant>& row) override;
    int sizeHint() const override { return m_size; }
    QString sourceNote() const override { return m_sourceNote; }

private:
    std::unique_ptr<ReadingSession> m_session;
    QString m_sourceNote;
    QSqlQuery m_query;
    QStringList m_columns;
    std::unique_ptr<RowFilter> m_filter;   // none: every row
    int m_size = -1;
};

// The rows of a ReportRowSource handed out one by one.
class SourceReader : public ReportRowReader {
public:
    explicit SourceReader(const ReportRowSource& rows) : m_rows(rows) {}
    QStringList columns() const override { return m_rows.columns(); }
    bool next(QVector<QVariant>& row) override;
    int sizeHint() const override { return m_rows.rowCount(); }

private:
    const ReportRowSource& m_rows;
    int m_next = 0;
};

// Column names to positions, without regard to letter case.
class ReportColumns {
public:
    explicit ReportColumns(const QStringList& names = {});
    int indexOf(const QString& column) const;   // -1 for a column the rows do not have
    int count() const { return int(m_names.size()); }

private:
    QStringList m_names;
    QHash<QString, int> m_index;   // by the folded name
};

// One row as an expression sees it; no row at all for a report without rows.
class ReportRow {
public:
    ReportRow(const ReportColumns& columns, const QVector<QVariant>* values) : m_columns(columns), m_values(values) {}
    QVariant value(const QString& column) const;
    bool exists() const { return m_values != nullptr; }

private:
    const ReportColumns& m_columns;
    const QVector<QVariant>* m_values;
};
