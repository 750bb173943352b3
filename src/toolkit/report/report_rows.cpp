#include "toolkit/report/report_rows.h"

#include "toolkit/dataset.h"

int DatasetRows::rowCount() const { return m_dataset.recordCount(); }

int DatasetRows::columnIndex(const QString& column) const { return m_dataset.fieldIndex(column); }

QVariant DatasetRows::value(int row, int column) const { return m_dataset.value(row, column); }

int MemoryRows::columnIndex(const QString& column) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant ReportRow::value(const QString& column) const
{
    if (m_row < 0)
        return {};
    return m_rows.value(m_row, m_rows.columnIndex(column));
}
