#pragma once

#include <QString>

// Counts the operation types named `name` in any letter case, leaving out the row
// `exceptId` when it is not negative (a rename may keep its own name).
QString operationTypeDuplicateStatement(const QString& name, qint64 exceptId = -1);

// Counts the journal entries whose operation is of the type.
QString operationTypeEntriesCountStatement(qint64 typeId);
