#pragma once

#include "toolkit/dataset_grid.h"
#include "timesheet/day_colours.h"

#include <QStyledItemDelegate>
#include <QVector>

// Columns of a time-sheet grid: 0 the worker, 1 to 31 the days, 32 the month total.
namespace TimesheetColumn {
const int Name = 0;
const int FirstDay = 1;
const int LastDay = 31;
const int Total = 32;
}

// The columns of a month's grid, day titles coloured by dayTitleColor: weekends and holidays
// by the calendar's `daysOff` when given, else by the week.
QList<GridColumn> timesheetColumns(int month, int year, const QVector<bool>& daysOff = {});

// The names' column wide enough for the longest full name the grid lists, up to a third of the
// window's width; never narrower than the form gives it.
int nameColumnWidth(const DBGrid& grid);

// Draws the cells of a time-sheet grid: the days by dayCellLook unless the cell is selected,
// the total bold on its own background.
class TimesheetCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TimesheetCellDelegate(QObject* parent = nullptr);
    void setMonth(int month, int year, const QVector<bool>& daysOff = {});

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QVector<DayKind> m_days;   // kind of day 1 .. 31 at index 0 .. 30
};
