#pragma once

#include <QBitArray>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <map>
#include <optional>

using Rows = QVector<QVector<QVariant>>;

// The texts of a snapshot's columns with letter case folded, each column built the first time a
// filter needs it and kept until clear(): a keystroke in a search box then only compares.
class FoldedColumns {
public:
    struct Column {
        QVector<QString> texts;
        QBitArray nulls;
    };
    const Column& column(const Rows& rows, int field);
    void clear() { m_columns.clear(); }

private:
    std::map<int, Column> m_columns;   // nodes stay put while further columns are added
};

// A "like" pattern (% or * any text, _ one character, a backslash makes the next character
// literal) matched against folded texts.
class LikePattern {
public:
    explicit LikePattern(const QString& pattern);
    bool matches(QStringView folded) const;

private:
    enum Kind : char { Literal, One, Any };
    QString m_text;        // folded, one character per element of m_kinds
    QVector<Kind> m_kinds;
    bool m_prefixOnly = true;   // literal characters, then one trailing Any
};

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
    // Numbers of the rows that pass; like conditions read the folded columns.
    QVector<int> matchingRows(const Rows& rows, FoldedColumns& folded) const;
    // Whether one row passes, for rows read one at a time and not kept.
    bool matches(const QVector<QVariant>& row) const;

private:
    struct Condition {
        int field = -1;
        std::optional<LikePattern> like;
        std::function<bool(const QVariant&)> test;   // the other conditions
    };
    QVector<Condition> m_conditions;
};

// "field like '<prefix>%'" with the prefix quoted and its wildcards escaped, so any typed text
// is searched as it stands.
QString prefixFilter(const QString& field, const QString& prefix);
