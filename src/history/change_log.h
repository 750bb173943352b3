#pragma once

#include "toolkit/dataset_grid.h"

// What the two history windows share: the columns of a list of changes and its spreadsheet.

// A column of the history windows' grids.
GridColumn historyColumn(const char* field, const char* title, int width, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
// When, who, what was done, the entry (number, date, shift, worker) and its changed fields.
QList<GridColumn> changeLogColumns();
// Writes the listed changes under `heading` into a new workbook and opens it; false when the
// workbook could not be started.
bool exportChangeLog(Dataset& changes, const QString& heading);
