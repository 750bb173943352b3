#pragma once

#include "history/history_statements.h"
#include "toolkit/dataset_grid.h"

// What the two history windows share: the columns of a list of changes and its spreadsheet.

// A column of the history windows' grids.
GridColumn historyColumn(const char* field, const char* title, int width, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
// When, who, what was done, the entry (number, date, shift, worker) and its changed fields.
QList<GridColumn> changeLogColumns();
// "было → стало" of every changed field: whole under the mouse however narrow the column.
GridColumn changesGridColumn();
// Wraps the changes over as many lines as they need, each row as high as its text: for a list of
// one entry's changes, short enough to measure every row.
void showChangesWhole(DBGrid* grid);
// "Изменений: 12 (по дате изменения)": how many changes are listed and by which of their dates.
QString changeCountText(int count, LogPeriod period);
// Writes the listed changes under `heading` into a new workbook and opens it; false when the
// workbook could not be started.
bool exportChangeLog(Dataset& changes, const QString& heading);
