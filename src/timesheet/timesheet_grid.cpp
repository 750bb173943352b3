#include "timesheet/timesheet_grid.h"

#include "toolkit/dataset.h"

#include <QStyle>

namespace {
const int DayWidth = 24;
const int NameWidth = 190;
}

int nameColumnWidth(const DBGrid& grid)
{
    const Dataset* names = grid.dataset();
    const int field = names ? names->fieldIndex(QStringLiteral("fio")) : -1;
    int widest = 0;
    for (int row = 0; field >= 0 && row < names->recordCount(); ++row)
        widest = qMax(widest, grid.fontMetrics().horizontalAdvance(names->value(row, field).toString()));
    const int padding = 2 * grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 8;
    // The window's width: a grid on a tab not shown has not been laid out yet.
    return qBound(NameWidth, widest + padding, qMax(NameWidth, grid.window()->width() / 3));
}

QList<GridColumn> timesheetColumns(int month, int year, const QVector<bool>& daysOff)
{
    QList<GridColumn> columns;
    GridColumn name;
    name.field = QStringLiteral("fio");
    name.title = QStringLiteral("Фамилия И. О.");
    name.width = NameWidth;
    columns << name;
    for (int day = TimesheetColumn::FirstDay; day <= TimesheetColumn::LastDay; ++day) {
        GridColumn cell;
        cell.field = QStringLiteral("d%1").arg(day);
        cell.title = QString::number(day);
        cell.width = DayWidth;
        cell.alignment = Qt::AlignCenter;
        cell.titleColor = dayTitleColor(dayKind(day, month, year, daysOff));
        columns << cell;
    }
    GridColumn total;
    total.field = QStringLiteral("summ");
    total.title = QStringLiteral("Итого");
    total.width = 48;
    total.alignment = Qt::AlignCenter;
    columns << total;
    return columns;
}

TimesheetCellDelegate::TimesheetCellDelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_days(TimesheetColumn::LastDay, DayKind::Workday)
{
}

void TimesheetCellDelegate::setMonth(int month, int year, const QVector<bool>& daysOff)
{
    for (int day = TimesheetColumn::FirstDay; day <= TimesheetColumn::LastDay; ++day)
        m_days[day - 1] = dayKind(day, month, year, daysOff);
}

void TimesheetCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool selected = option->state.testFlag(QStyle::State_Selected);
    const int column = index.column();
    if (column == TimesheetColumn::Total) {
        option->font.setBold(true);
        if (!selected)
            option->backgroundBrush = totalFill();
        return;
    }
    if (column < TimesheetColumn::FirstDay || column > TimesheetColumn::LastDay || selected)
        return;
    const DayCellLook look = dayCellLook(m_days.at(column - 1), index.data(Qt::EditRole).toInt());
    if (look.hidden)
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Base));
    else if (look.text.isValid())
        option->palette.setColor(QPalette::Text, look.text);
    option->font.setBold(look.bold);
    if (look.fill.isValid())
        option->backgroundBrush = look.fill;
}
