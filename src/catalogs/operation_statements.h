#pragma once

#include <QString>

// Statements of the operations list and its editor. An operation is unique by its type (vid),
// kind (naimen: 0 finished product, 1 blanks) and product (i_id).

// Every operation, with or without norms, with its stored price, for the price list export.
QString priceListStatement();

// Counts the operations with these parameters.
QString operationCountStatement(int typeId, int kind, int productId);
// The same, leaving out the operation being changed.
QString otherOperationCountStatement(int typeId, int kind, int productId, int operationId);

QString operationInsertStatement(int typeId, int kind, int productId);
QString operationUpdateStatement(int typeId, int kind, int productId, int operationId);

QString productMarkStatement(int productId);

// Counts the journal entries of an operation.
QString operationEntriesCountStatement(int operationId);
