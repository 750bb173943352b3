#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>

class Dataset;

// The rows a report is laid out from, in printing order.
class ReportRowSource {
public:
    virtual ~ReportRowSource() = default;
    virtual int rowCount() const = 0;
    // -1 for a column the rows do not have.
    virtual int columnIndex(const QString& column) const = 0;
    virtual QVariant value(int row, int column) const = 0;
};

// The rows of an open Dataset that pass its filter.
class DatasetRows : public ReportRowSource {
public:
    explicit DatasetRows(const Dataset& dataset) : m_dataset(dataset) {}
    int rowCount() const override;
    int columnIndex(const QString& column) const override;
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
    int columnIndex(const QString& column) const override;
    QVariant value(int row, int column) const override { return m_rows.at(row).value(column); }

private:
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
};

// One row as an expression sees it; -1 is no row (a report without rows).
class ReportRow {
public:
    ReportRow(const ReportRowSource& rows, int row) : m_rows(rows), m_row(row) {}
    QVariant value(const QString& column) const;
    bool exists() const { return m_row >= 0; }

private:
    const ReportRowSource& m_rows;
    int m_row;
};
