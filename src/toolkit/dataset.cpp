#include "toolkit/dataset.h"

#include "toolkit/database_error.h"
#include "toolkit/server_notices.h"
#include "toolkit/session.h"
#include "toolkit/sql_text.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <numeric>

QSqlQuery runStatement(const QString& connection, const QString& statement)
{
    QSqlDatabase db = Session::live(connection, Session::Leading::CallerSends);
    // What the session still needs travels in the same round trip, ahead of the statement.
    const QStringList leading = Session::takeLeading(connection);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool done = query.exec(leading.isEmpty() ? statement : (leading + QStringList{statement}).join(QLatin1String(";\n")));
    for (int i = 0; done && i < leading.size(); ++i)
        done = query.nextResult();
    if (!done) {
        Session::putBackLeading(connection, leading);
        throw Session::failure(db, query, statement);
    }
    ServerNotices::readSoon(connection);
    return query;
}

bool nextRow(QSqlQuery& query, const QString& connectionName)
{
    if (query.next())
        return true;
    if (query.lastError().isValid()) {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        throw Session::failure(db, query, query.lastQuery());
    }
    return false;
}

Dataset::Dataset(const QString& connectionName, const QString& name, QObject* parent)
    : QObject(parent), m_connection(connectionName)
{
    setObjectName(name);
}

void Dataset::setSql(const QString& statement)
{
    close();
    m_sql = statement;
}

void Dataset::setParam(const QString& name, const QVariant& value)
{
    m_params.insert(name.toLower(), value);
}

QVariant Dataset::param(const QString& name) const
{
    return m_params.value(name.toLower());
}

void Dataset::setUpdateTable(const QString& table, const QString& keyField)
{
    m_table = table;
    m_key = keyField;
}


void Dataset::open()
{
    if (isOpen())
        return;
    QSqlQuery query = runStatement(m_connection, boundSql());
    readFrom(query);
}

QString Dataset::boundSql() const
{
    return bindParameters(m_sql, m_params);
}

void Dataset::readFrom(QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    m_fields.clear();
    for (int i = 0; i < record.count(); ++i)
        m_fields << record.fieldName(i);
    m_rows.clear();
    const int columns = record.count();
    while (nextRow(query, m_connection)) {
        QVector<QVariant>& row = m_rows.emplace_back();
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
    }
    m_rows.squeeze();
    m_state = Browse;
    if (m_filtered && !m_filterText.isEmpty())
        m_filter = RowFilter::parse(m_filterText, m_fields);
    applyFilter(-1);
}

void openTogether(const QList<Dataset*>& sets, const QStringList& first)
{
    if (sets.isEmpty())
        return;
    const QString connection = sets.first()->connectionName();
    QStringList statements = first;
    for (const Dataset* set : sets)
        statements << set->boundSql();
    // Run as one implicit transaction: a write that fails takes the reads after it along, and
    // the sets keep what they showed.
    QSqlQuery query = runStatement(connection, statements.join(QLatin1String(";\n")));
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    for (int i = 1; i < first.size() + 1; ++i)
        if (!query.nextResult())
            throw Session::failure(db, query, statements.at(i));
    try {
        for (int i = 0; i < sets.size(); ++i) {
            if (i > 0 && !query.nextResult())
                throw Session::failure(db, query, statements.at(first.size() + i));
            sets.at(i)->close();
            sets.at(i)->readFrom(query);
        }
    } catch (...) {
        for (Dataset* set : sets)
            set->close();
        throw;
    }
}

void Dataset::close()
{
    if (!isOpen())
        return;
    m_state = Inactive;
    m_rows.clear();
    m_folded.clear();
    m_visible.clear();
    m_fields.clear();
    m_changed.clear();
    m_current = -1;
    m_eof = true;
    emit reset();
    emit currentChanged(-1);
}

void Dataset::applyFilter(int keepSourceRow)
{
    if (m_filtered && !m_filter.isEmpty()) {
        m_visible = m_filter.matchingRows(m_rows, m_folded);
    } else {
        m_visible.resize(m_rows.size());
        std::iota(m_visible.begin(), m_visible.end(), 0);
    }
    m_current = m_visible.isEmpty() ? -1 : qMax(0, int(m_visible.indexOf(keepSourceRow)));
    m_eof = m_visible.isEmpty();
    emit reset();
    emit currentChanged(m_current);
}

int Dataset::fieldIndex(const QString& field) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int Dataset::recNo() const
{
    if (m_current < 0 || m_state == Insert)
        return -1;
    return m_current + 1;
}

bool Dataset::moveTo(int recNo)
{
    if (recNo < 1 || recNo > recordCount())
        return false;
    setCurrentRow(recNo - 1);
    return true;
}

void Dataset::setCurrentRow(int row)
{
    if (row < -1 || row >= recordCount())
        return;
    if (row == m_current) {
        m_eof = row < 0;
        return;
    }
    if (m_state == Insert && m_changed.isEmpty())
        cancel();   // a new row left untouched is dropped, not stored empty
    else if (m_state == Edit || m_state == Insert)
        post();
    m_current = row;
    m_eof = row < 0;
    emit currentChanged(m_current);
}

void Dataset::next()
{
    if (m_current + 1 < recordCount())
        setCurrentRow(m_current + 1);
    else
        m_eof = true;
}

void Dataset::prior()
{
    if (m_current > 0)
        setCurrentRow(m_current - 1);
}

bool Dataset::locate(const QString& field, const QVariant& value)
{
    const int column = fieldIndex(field);
    if (column < 0)
        return false;
    for (int row = 0; row < recordCount(); ++row) {
        const QVariant cell = this->value(row, column);
        bool same = cell == value;
        if (!same && !cell.isNull()) {
            bool a = false, b = false;
            const double x = cell.toDouble(&a), y = value.toDouble(&b);
            same = (a && b) ? x == y : cell.toString() == value.toString();
        }
        if (same) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

QVariant Dataset::value(const QString& field) const
{
    const int column = fieldIndex(field);
    if (column < 0) {
        if (!isOpen())
            throw DatabaseError(QStringLiteral("%1: набор данных закрыт.").arg(name()));
        throw DatabaseError(QStringLiteral("%1: поле '%2' не найдено.").arg(name(), field));
    }
    if (m_current < 0)
        return {};
    return m_rows.at(sourceRow()).at(column);
}

QVariant Dataset::value(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= m_fields.size())
        return {};
    return m_rows.at(m_visible.at(row)).at(column);
}

void Dataset::setValue(const QString& field, const QVariant& value)
{
    if (m_state != Edit && m_state != Insert)
        throw DatabaseError(QStringLiteral("%1: набор данных не в режиме правки.").arg(name()));
    const int column = fieldIndex(field);
    if (column < 0)
        throw DatabaseError(QStringLiteral("%1: поле '%2' не найдено.").arg(name(), field));
    m_rows[sourceRow()][column] = value;
    m_folded.clear();
    if (!m_changed.contains(column))
        m_changed.append(column);
    emit rowChanged(m_current);
}

void Dataset::setFilter(const QString& expression)
{
    if (expression == m_filterText)
        return;
    m_filterText = expression;
    if (m_filtered) {
        m_filter = isOpen() ? RowFilter::parse(expression, m_fields) : RowFilter();
        if (isOpen())
            applyFilter(sourceRow());
    }
}

void Dataset::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    if (on && isOpen())
        m_filter = RowFilter::parse(m_filterText, m_fields);
    m_filtered = on;
    if (!on)
        m_filter = RowFilter();
    if (isOpen())
        applyFilter(sourceRow());
}

void Dataset::requireOpen(const char* what) const
{
    if (!isOpen())
        throw DatabaseError(QStringLiteral("%1: %2 на закрытом наборе данных.").arg(name(), QLatin1String(what)));
}

void Dataset::requireTable() const
{
    if (m_table.isEmpty())
        throw DatabaseError(QStringLiteral("%1: набор данных только для чтения.").arg(name()));
}

void Dataset::insert()
{
    requireOpen("insert");
    requireTable();
    if (m_state == Edit || m_state == Insert)
        post();
    m_rows.append(QVector<QVariant>(m_fields.size()));
    m_folded.clear();
    m_visible.append(m_rows.size() - 1);
    m_state = Insert;
    m_changed.clear();
    m_current = m_visible.size() - 1;
    m_eof = false;
    emit reset();
    emit currentChanged(m_current);
}

void Dataset::edit()
{
    requireOpen("edit");
    requireTable();
    if (m_state == Edit || m_state == Insert)
        return;
    if (m_current < 0)
        throw DatabaseError(QStringLiteral("%1: нет текущей записи.").arg(name()));
    m_original = m_rows.at(sourceRow());
    m_changed.clear();
    m_state = Edit;
}

void Dataset::post()
{
    if (m_state != Edit && m_state != Insert)
        return;
    const int keyColumn = fieldIndex(m_key);
    const QVector<QVariant>& row = m_rows.at(sourceRow());
    QString statement;
    if (m_state == Insert) {
        QStringList columns, values;
        for (int c : m_changed) {
            if (c == keyColumn)
                continue;
            columns << m_fields.at(c);
            values << sqlLiteral(row.at(c));
        }
        statement = columns.isEmpty()
            ? QStringLiteral("insert into %1 default values returning *").arg(m_table)
            : QStringLiteral("insert into %1 (%2) values (%3) returning *")
                  .arg(m_table, columns.join(QLatin1String(", ")), values.join(QLatin1String(", ")));
    } else {
        if (m_changed.isEmpty()) {
            m_state = Browse;
            return;
        }
        QStringList sets;
        for (int c : m_changed)
            sets << m_fields.at(c) + QLatin1String(" = ") + sqlLiteral(row.at(c));
        statement = QStringLiteral("update %1 set %2 where %3 = %4 returning *")
                        .arg(m_table, sets.join(QLatin1String(", ")), m_key, sqlLiteral(m_original.at(keyColumn)));
    }
    QSqlQuery query = runStatement(m_connection, statement);
    if (nextRow(query, m_connection)) {
        const QSqlRecord stored = query.record();
        QVector<QVariant>& target = m_rows[sourceRow()];
        for (int i = 0; i < stored.count(); ++i) {
            const int column = fieldIndex(stored.fieldName(i));
            if (column >= 0)
                target[column] = stored.value(i);
        }
        m_folded.clear();
    }
    m_state = Browse;
    m_changed.clear();
    emit rowChanged(m_current);
}

void Dataset::cancel()
{
    if (m_state == Insert) {
        const int source = sourceRow();
        m_rows.removeAt(source);
        m_folded.clear();
        m_visible.removeAt(m_current);
        for (int& v : m_visible)
            if (v > source)
                --v;
        m_state = Browse;
        m_changed.clear();
        m_current = m_visible.isEmpty() ? -1 : qMin(m_current, int(m_visible.size()) - 1);
        emit reset();
        emit currentChanged(m_current);
    } else if (m_state == Edit) {
        m_rows[sourceRow()] = m_original;
        m_folded.clear();
        m_state = Browse;
        m_changed.clear();
        emit rowChanged(m_current);
    }
}

void Dataset::remove()
{
    requireOpen("remove");
    requireTable();
    if (m_state == Insert) {
        cancel();
        return;
    }
    if (m_current < 0)
        throw DatabaseError(QStringLiteral("%1: нет текущей записи.").arg(name()));
    if (m_state == Edit)
        cancel();
    const int source = sourceRow();
    runStatement(m_connection, QStringLiteral("delete from %1 where %2 = %3")
                                   .arg(m_table, m_key, sqlLiteral(m_rows.at(source).at(fieldIndex(m_key)))));
    m_rows.removeAt(source);
    m_folded.clear();
    m_visible.removeAt(m_current);
    for (int& v : m_visible)
        if (v > source)
            --v;
    m_current = m_visible.isEmpty() ? -1 : qMin(m_current, int(m_visible.size()) - 1);
    m_eof = m_current < 0;
    emit reset();
    emit currentChanged(m_current);
}

Command::Command(const QString& connectionName, const QString& name, QObject* parent)
    : QObject(parent), m_connection(connectionName)
{
    setObjectName(name);
}

void Command::setParam(const QString& name, const QVariant& value)
{
    m_params.insert(name.toLower(), value);
}

QString Command::boundSql() const
{
    return bindParameters(m_sql, m_params);
}

int Command::execute()
{
    QSqlQuery query = runStatement(m_connection, bindParameters(m_sql, m_params));
    return query.numRowsAffected();
}
