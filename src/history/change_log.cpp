#include "history/change_log.h"

#include "export/spreadsheet_writer.h"

#include <QHeaderView>

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
    return {historyColumn("at", "Когда", 135, centred),
            historyColumn("who", "Кто", 210),
            historyColumn("act", "Действие", 130),
            historyColumn("smena_id", "Позиция", 60, Qt::AlignRight | Qt::AlignVCenter),
            historyColumn("data", "Дата", 85, centred),
            historyColumn("smena", "Смена", 45, centred),
            historyColumn("fio", "Рабочий", 170),
            changesGridColumn()};
}

GridColumn changesGridColumn()
{
    GridColumn changes = historyColumn("changes", "Изменения", 420);
    changes.wholeAsTooltip = true;
    return changes;
}

void showChangesWhole(DBGrid* grid)
{
    grid->setWordWrap(true);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QString changeCountText(int count, LogPeriod period)
{
    return QStringLiteral("Изменений: %1 (%2)")
        .arg(count)
        .arg(period == LogPeriod::ChangeDate ? QStringLiteral("по дате изменения") : QStringLiteral("по дате позиции"));
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
            // When and the entry's date are dates to sort and count by; entry numbers and shifts
            // are numbers; names and the changes stay text.
            const QString& field = columns.at(c).field;
            const QString text = changes.value(row, fields.at(c)).toString();
            if (field == QLatin1String("at"))
                WriteDateCell(Sheet, c + 1, row + 3, QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy HH:mm:ss")), true, Cell::AutoFit);
            else if (field == QLatin1String("data"))
                WriteDateCell(Sheet, c + 1, row + 3, QDate::fromString(text, QStringLiteral("dd.MM.yyyy")).startOfDay(), false, Cell::AutoFit);
            else if (field == QLatin1String("smena_id") || field == QLatin1String("smena"))
                WriteCell(Sheet, c + 1, row + 3, text, Cell::AutoFit);
            else
                WriteCell(Sheet, c + 1, row + 3, text, Cell::AsText | Cell::AutoFit);
        }
    ShowWorkbook(true);
    return true;
}
