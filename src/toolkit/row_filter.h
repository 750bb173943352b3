#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

// A filter expression over rows already read: conditions joined by "and", each one
// "field like 'pattern'" (% or * and _ wildcards, a backslash makes the next character
// literal, letter case ignored) or
// "field = value" / "field <> value" with a number or a quoted text.
// Inside a quoted text a doubled quote stands for one quote.
class RowFilter {
public:
    RowFilter() = default;
    // Throws DatabaseError when the expression cannot be read.
    static RowFilter parse(const QString& expression, const QStringList& fieldNames);
    bool isEmpty() const { return m_conditions.isEmpty(); }
    bool accepts(const QVector<QVariant>& row) const;

private:
    struct Condition {
        int field = -1;
        std::function<bool(const QVariant&)> test;
    };
    QVector<Condition> m_conditions;
};

// "field like '<prefix>%'" with the prefix quoted and its wildcards escaped, so any typed text
// is searched as it stands.
QString prefixFilter(const QString& field, const QString& prefix);
