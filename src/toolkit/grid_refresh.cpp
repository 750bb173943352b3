#include "toolkit/grid_refresh.h"

#include "toolkit/dataset.h"
#include "toolkit/dataset_grid.h"

#include <QScrollBar>

void refreshKeepingRow(Dataset& set, const QString& keyField)
{
    const QVariant key = set.isEmpty() ? QVariant() : set.value(keyField);
    const int row = set.currentRow();
    set.refresh();
    if (key.isValid() && !set.locate(keyField, key))
        set.setCurrentRow(qMin(row, set.recordCount() - 1));
}

void refreshKeepingPlace(DBGrid& grid, const QString& keyField)
{
    const int column = grid.currentIndex().column();
    const int scrolled = grid.verticalScrollBar()->value();
    Dataset& set = *grid.dataset();
    refreshKeepingRow(set, keyField);
    grid.verticalScrollBar()->setValue(scrolled);
    if (column >= 0 && set.currentRow() >= 0)
        grid.setCurrentIndex(grid.model()->index(set.currentRow(), column));
}
