#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>

// Counts the products marked `mark` in any letter case, leaving out the product `exceptId`
// when it is not negative (a change may keep its own mark).
QString productDuplicateStatement(const QString& mark, qint64 exceptId = -1);

QString productInsertStatement(const QString& mark, double massa, qint64 classItemId);
QString productUpdateStatement(const QString& mark, double massa, qint64 classItemId, qint64 id);

// The number in a number box: digits with at most one separator (a comma or a point),
// blanks around ignored. Anything else (a sign, an exponent, a second separator, letters) is
// no number, so that what was typed is never quietly turned into another one.
std::optional<double> numberBoxValue(const QString& typed);
// The message that refuses a number box's text.
QString numberBoxProblem(const QString& caption, const QString& typed);

// The stored number as the number box shows it: shortest form, a point as the separator.
QString massaBoxText(const QVariant& stored);

// The date from which a product's journal entries decide which delete question is asked:
// the first day of the previous month, in the year 2000.
QDate productEntriesBound(const QDate& today);

QString productOperationsDeleteStatement(qint64 id);
QString productEntriesDeleteStatement(qint64 id);
QString productDeleteStatement(qint64 id);
