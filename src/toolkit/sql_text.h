#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// Values written into statement text. Every user text placed between quotes goes through
// sqlQuote, so a quote typed by the user can never end the literal early.
QString sqlQuote(const QString& text);
// DD.MM.YYYY, the form every statement wraps in to_date('...', 'DD.MM.YYYY').
QString sqlDateText(const QDate& date);
// to_date('DD.MM.YYYY', 'DD.MM.YYYY')
QString sqlDate(const QDate& date);
// Decimal digits with a point; integers without a fraction.
QString sqlNumber(double value);
QString sqlNumber(qlonglong value);
inline QString sqlNumber(int value) { return sqlNumber(qlonglong(value)); }
// A parameter value as a literal of its type (NULL for an empty variant).
QString sqlLiteral(const QVariant& value);
// Replaces :name placeholders outside literals and casts by the literals of `params`.
QString bindParameters(const QString& statement, const QVariantMap& params);
