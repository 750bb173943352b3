#pragma once

#include <QString>

// Journal entries whose operation or operation type is deleted drop out of every list. Before
// such a delete: counts the entries with `countStatement` (a count as cnt) and, when there are
// any, asks `question` with the count in place of %1. True when nothing uses the row or on Yes.
bool confirmEntriesDropOut(const QString& countStatement, const QString& question);
