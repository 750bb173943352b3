#include "toolkit/report/report_rows.h"

#include "toolkit/dataset.h"
#include "toolkit/reading_session.h"
#include "toolkit/row_filter.h"
#include "toolkit/session.h"
#include "toolkit/sql_text.h"

#include <QSqlRecord>

int DatasetRows::rowCount() const { return m_dataset.recordCount(); }

QStringList DatasetRows::columns() const { return m_dataset.fieldNames(); }

QVariant DatasetRows::value(int row, int column) const { return m_dataset.value(row, column); }

DatasetReader::DatasetReader(const Dataset& dataset)
    : m_session(std::make_unique<ReadingSession>(dataset.connectionName(), ReadingSession::Server::PreferStandby)),
      m_sourceNote(standbyDataNote(m_session->standbyDataTime())),
      m_query(runStatement(m_session->connectionName(), bindParameters(dataset.sql(), dataset.params())))
{
    const QSqlRecord record = m_query.record();
    for (int i = 0; i < record.count(); ++i)
        m_columns << record.fieldName(i);
    if (dataset.filtered() && !dataset.filter().isEmpty())
        m_filter = std::make_unique<RowFilter>(RowFilter::parse(dataset.filter(), m_columns));
    else
        m_size = m_query.size();   // a filter leaves the count open until the end
}

DatasetReader::~DatasetReader()
{
    // Rows still to come: the statement stops on the server, or the query would take in every
    // remaining row before it let go.
    if (m_session)
        Session::cancelStatement(m_session->connectionName());
}

bool DatasetReader::next(QVector<QVariant>& row)
{
    const int count = int(m_columns.size());
    row.resize(count);
    while (nextRow(m_query, m_session->connectionName())) {
        for (int i = 0; i < count; ++i)
            row[i] = m_query.value(i);
        if (!m_filter || m_filter->matches(row))
            return true;
    }
    m_query = QSqlQuery();   // the session goes at once, not with the report
    m_session.reset();
    return false;
}

bool SourceReader::next(QVector<QVariant>& row)
{
    if (m_next >= m_rows.rowCount())
        return false;
    const int count = int(m_rows.columns().size());
    row.resize(count);
    for (int i = 0; i < count; ++i)
        row[i] = m_rows.value(m_next, i);
    ++m_next;
    return true;
}

ReportColumns::ReportColumns(const QStringList& names) : m_names(names)
{
    for (int i = 0; i < names.size(); ++i)
        m_index.insert(names.at(i).toCaseFolded(), i);
}

int ReportColumns::indexOf(const QString& column) const
{
    const auto found = m_index.constFind(column);   // names are mostly written as the rows give them
    if (found != m_index.constEnd())
        return *found;
    return m_index.value(column.toCaseFolded(), -1);
}

QVariant ReportRow::value(const QString& column) const
{
    if (!m_values)
        return {};
    const int index = m_columns.indexOf(column);
    return index < 0 ? QVariant() : m_values->value(index);
}
