#include "toolkit/row_filter.h"

#include "toolkit/database_error.h"
#include "toolkit/sql_text.h"


namespace {

class Reader {
public:
    explicit Reader(const QString& text) : m_text(text) {}

    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    bool atEnd() { skipBlanks(); return m_pos >= m_text.size(); }

    QString word()
    {
        skipBlanks();
        const int start = m_pos;
        while (m_pos < m_text.size()
               && (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')
                   || m_text.at(m_pos) == QLatin1Char('.')))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    QString op()
    {
        skipBlanks();
        for (const char* candidate : {"<>", "!=", "=", "like"}) {
            const QString c = QString::fromLatin1(candidate);
            if (m_text.mid(m_pos, c.size()).compare(c, Qt::CaseInsensitive) == 0) {
                m_pos += c.size();
                return c.toLower();
            }
        }
        fail();
        return {};
    }

    // A quoted text (doubled quotes inside) or a bare number.
    QVariant value()
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\'')) {
            QString out;
            ++m_pos;
            while (m_pos < m_text.size()) {
                const QChar c = m_text.at(m_pos++);
                if (c == QLatin1Char('\'')) {
                    if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\'')) {
                        out += c;
                        ++m_pos;
                        continue;
                    }
                    return out;
                }
                out += c;
            }
            fail();
        }
        const QString number = word();
        bool ok = false;
        const double v = number.toDouble(&ok);
        if (!ok)
            fail();
        return v;
    }

    [[noreturn]] void fail() const
    {
        throw DatabaseError(QStringLiteral("Filter cannot be applied: %1").arg(m_text));
    }

private:
    QString m_text;
    int m_pos = 0;
};

bool equalValues(const QVariant& cell, const QVariant& wanted)
{
    if (cell.isNull())
        return false;
    if (wanted.typeId() == QMetaType::Double) {
        bool ok = false;
        const double v = cell.toDouble(&ok);
        return ok && v == wanted.toDouble();
    }
    return cell.toString().compare(wanted.toString(), Qt::CaseInsensitive) == 0;
}

} // namespace

RowFilter RowFilter::parse(const QString& expression, const QStringList& fieldNames)
{
    RowFilter filter;
    Reader reader(expression);
    while (!reader.atEnd()) {
        const QString field = reader.word();
        Condition condition;
        for (int i = 0; i < fieldNames.size(); ++i)
            if (fieldNames.at(i).compare(field, Qt::CaseInsensitive) == 0)
                condition.field = i;
        if (condition.field < 0)
            throw DatabaseError(QStringLiteral("Filter names an unknown field: %1").arg(field));
        const QString op = reader.op();
        const QVariant wanted = reader.value();
        if (op == QLatin1String("like")) {
            condition.like.emplace(wanted.toString());
        } else if (op == QLatin1String("=")) {
            condition.test = [wanted](const QVariant& v) { return equalValues(v, wanted); };
        } else {
            condition.test = [wanted](const QVariant& v) { return !v.isNull() && !equalValues(v, wanted); };
        }
        filter.m_conditions.append(condition);
        if (reader.atEnd())
            break;
        if (reader.word().compare(QLatin1String("and"), Qt::CaseInsensitive) != 0)
            reader.fail();
    }
    return filter;
}

QVector<int> RowFilter::matchingRows(const Rows& rows, FoldedColumns& folded) const
{
    QVector<const FoldedColumns::Column*> texts;
    for (const Condition& c : m_conditions)
        texts.append(c.like ? &folded.column(rows, c.field) : nullptr);
    QVector<int> shown;
    for (int row = 0; row < rows.size(); ++row) {
        bool passes = true;
        for (int i = 0; i < m_conditions.size() && passes; ++i) {
            const Condition& c = m_conditions.at(i);
            passes = c.like ? !texts.at(i)->nulls.testBit(row) && c.like->matches(texts.at(i)->texts.at(row))
                            : c.test(rows.at(row).at(c.field));
        }
        if (passes)
            shown.append(row);
    }
    return shown;
}

bool RowFilter::matches(const QVector<QVariant>& row) const
{
    for (const Condition& c : m_conditions) {
        const QVariant& cell = row.at(c.field);
        if (c.like ? cell.isNull() || !c.like->matches(cell.toString().toCaseFolded()) : !c.test(cell))
            return false;
    }
    return true;
}

const FoldedColumns::Column& FoldedColumns::column(const Rows& rows, int field)
{
    const auto found = m_columns.find(field);
    if (found != m_columns.end())
        return found->second;
    Column& column = m_columns[field];
    column.texts.reserve(rows.size());
    column.nulls.resize(rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        const QVariant& cell = rows.at(row).at(field);
        column.nulls.setBit(row, cell.isNull());
        column.texts.append(cell.toString().toCaseFolded());
    }
    return column;
}

LikePattern::LikePattern(const QString& pattern)
{
    bool escaped = false;
    for (const QChar c : pattern) {
        Kind kind = Literal;
        if (escaped)
            escaped = false;
        else if (c == QLatin1Char('\\')) {
            escaped = true;
            continue;
        } else if (c == QLatin1Char('%') || c == QLatin1Char('*'))
            kind = Any;
        else if (c == QLatin1Char('_'))
            kind = One;
        m_kinds.append(kind);
        m_text += c;
    }
    m_text = m_text.toCaseFolded();   // wildcards fold to themselves
    for (int i = 0; i < m_kinds.size(); ++i)
        if (m_kinds.at(i) != (i + 1 == m_kinds.size() ? Any : Literal))
            m_prefixOnly = false;
    if (m_kinds.isEmpty())
        m_prefixOnly = false;
    else if (m_prefixOnly)
        m_text.chop(1);
}

// Wildcard matching that goes back to the last Any on a mismatch.
bool LikePattern::matches(QStringView folded) const
{
    if (m_prefixOnly)
        return folded.startsWith(m_text);
    const int size = m_kinds.size();
    int p = 0, t = 0, lastAny = -1, resume = 0;
    while (t < folded.size()) {
        if (p < size && (m_kinds.at(p) == One || (m_kinds.at(p) == Literal && m_text.at(p) == folded.at(t)))) {
            ++p;
            ++t;
        } else if (p < size && m_kinds.at(p) == Any) {
            lastAny = p++;
            resume = t;
        } else if (lastAny >= 0) {
            p = lastAny + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < size && m_kinds.at(p) == Any)
        ++p;
    return p == size;
}

QString prefixFilter(const QString& field, const QString& prefix)
{
    QString escaped;
    for (const QChar c : prefix) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('*'))
            escaped += QLatin1Char('\\');
        escaped += c;
        if (c == QLatin1Char('\''))
            escaped += c;
    }
    return field + QLatin1String(" like '") + escaped + QLatin1String("%'");
}
