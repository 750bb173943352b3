#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// Counts the products marked `mark` in any letter case, leaving out the product `exceptId`
// when it is not negative (a change may keep its own mark).
QString productDuplicateStatement(const QString& mark, qint64 exceptId = -1);

// `massa` is the number box's text (digits and points only), written as a bare number: a
// statement's number carries a point whatever separator accounts_dep.ver names.
QString productInsertStatement(const QString& mark, const QString& massa, qint64 classItemId);
QString productUpdateStatement(const QString& mark, const QString& massa, qint64 classItemId, qint64 id);

// The number box keeps digits and turns a comma into a point; everything else is dropped.
QString numberBoxText(const QString& typed);

// The stored number as the number box shows it: shortest form, a point as the separator.
QString massaBoxText(const QVariant& stored);

// The date from which a product's journal entries decide which delete question is asked:
// the first day of the previous month, in the year 2000.
QDate productEntriesBound(const QDate& today);

QString productOperationsDeleteStatement(qint64 id);
// The journal entries of a product, as a condition on accounts_dep.smena.
QString productEntriesCondition(qint64 id);
QString productEntriesDeleteStatement(qint64 id);
QString productDeleteStatement(qint64 id);
