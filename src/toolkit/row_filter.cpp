#include "toolkit/row_filter.h"

#include "toolkit/database_error.h"
#include "toolkit/sql_text.h"

#include <QRegularExpression>

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

QRegularExpression likePattern(const QString& pattern)
{
    QString rx = QStringLiteral("\\A");
    bool escaped = false;
    for (const QChar c : pattern) {
        if (escaped) {
            rx += QRegularExpression::escape(QString(c));
            escaped = false;
        } else if (c == QLatin1Char('\\'))
            escaped = true;
        else if (c == QLatin1Char('%') || c == QLatin1Char('*'))
            rx += QLatin1String(".*");
        else if (c == QLatin1Char('_'))
            rx += QLatin1Char('.');
        else
            rx += QRegularExpression::escape(QString(c));
    }
    rx += QLatin1String("\\z");
    return QRegularExpression(rx, QRegularExpression::CaseInsensitiveOption
                                      | QRegularExpression::DotMatchesEverythingOption);
}

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
            const QRegularExpression rx = likePattern(wanted.toString());
            condition.test = [rx](const QVariant& v) { return !v.isNull() && rx.match(v.toString()).hasMatch(); };
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

bool RowFilter::accepts(const QVector<QVariant>& row) const
{
    for (const Condition& c : m_conditions)
        if (!c.test(row.at(c.field)))
            return false;
    return true;
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
