#include "history/change_log.h"

#include "export/spreadsheet_writer.h"

GridColumn historyColumn(const char* field, const char* title, int width, Qt::Alignment alignment)
{
    GridColumn c;
    c.field = QString::fromUtf8(field);
    c.title = QString::fromUtf8(title);
    c.width = width;
    c.alignment = alignment;
    return c;
}

QList<GridColumn> changeLogColumns()
{
    const Qt::Alignment centred = Qt::AlignCenter;
    return {historyColumn("at", "Когда", 118, centred),
            historyColumn("who", "Кто", 210),
            historyColumn("act", "Действие", 105),
            historyColumn("smena_id", "Позиция", 60, Qt::AlignRight | Qt::AlignVCenter),
            historyColumn("data", "Дата", 72, centred),
            historyColumn("smena", "Смена", 45, centred),
            historyColumn("fio", "Рабочий", 170),
            historyColumn("changes", "Изменения", 480)};
}

bool exportChangeLog(Dataset& changes, const QString& heading)
{
    if (OpenWorkbook(heading) == -1)
        return false;
    ShowWorkbook(false);
    const int Sheet = 1;
    const CellFlags title = Cell::AsText | Cell::Bold;
    WriteCell(Sheet, 1, 1, heading, title);
    const QList<GridColumn> columns = changeLogColumns();
    QList<int> fields;
    for (int c = 0; c < columns.size(); ++c) {
        WriteCell(Sheet, c + 1, 2, columns.at(c).title, title | Cell::AutoFit);
        fields << changes.fieldIndex(columns.at(c).field);
    }
    for (int row = 0; row < changes.recordCount(); ++row)
        for (int c = 0; c < columns.size(); ++c) {
            // Entry numbers and shifts are numbers; dates, names and the changes stay text.
            const bool number = columns.at(c).field == QLatin1String("smena_id") || columns.at(c).field == QLatin1String("smena");
            WriteCell(Sheet, c + 1, row + 3, changes.value(row, fields.at(c)).toString(),
                      number ? CellFlags(Cell::AutoFit) : CellFlags(Cell::AsText | Cell::AutoFit));
        }
    ShowWorkbook(true);
    return true;
}
