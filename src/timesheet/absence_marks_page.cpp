#include "timesheet/absence_marks_page.h"

#include "core/data_module.h"
#include "history/month_closing.h"
#include "timesheet/t13_sheet.h"
#include "timesheet/timesheet_grid.h"
#include "timesheet/timesheet_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/dataset_grid.h"
#include "toolkit/error_guard.h"
#include "toolkit/grid_refresh.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
const QColor MarkColour(0, 0, 160);
}

AbsenceMarksPage::AbsenceMarksPage(QWidget* parent) : QWidget(parent)
{
    Absence = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Absence"), this);
    Absence->setSql(marksGridStatement());
    Calendar = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Calendar"), this);
    Codes = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("AbsenceCodes"), this);
    Codes->setSql(absenceCodesStatement());
    DBGrid5 = new DBGrid(this);
    DBGrid5->setObjectName(QStringLiteral("DBGrid5"));
    DBGrid5->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid5->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DBGrid5->setDataset(Absence);
    DBGrid5->setItemDelegate(new MarksCellDelegate(m_codes, DBGrid5));
    DBGrid5->setContextMenuPolicy(Qt::CustomContextMenu);

    CodesMenu = new QMenu(this);
    CodesMenu->setToolTipsVisible(true);
    Button9 = new QToolButton(this);
    Button9->setObjectName(QStringLiteral("Button9"));
    Button9->setText(QStringLiteral("Отметить"));
    Button9->setMenu(CodesMenu);
    Button9->setPopupMode(QToolButton::InstantPopup);
    Button10 = new QPushButton(QStringLiteral("Снять отметку"), this);
    Button10->setObjectName(QStringLiteral("Button10"));
    Button10->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button9);
    buttons->addWidget(Button10);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(DBGrid5);
    layout->addLayout(buttons);

    connect(Button10, &QPushButton::clicked, this, [this] { guarded([this] { markSelected(QString()); }); });
    connect(DBGrid5, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { CodesMenu->popup(DBGrid5->viewport()->mapToGlobal(at)); });
}

void AbsenceMarksPage::fillCodes()
{
    if (!m_codes.order.isEmpty() || !Codes->isOpen())
        return;
    m_codes = absenceCodesIn(*Codes);
    Codes->close();
    for (const QString& code : std::as_const(m_codes.order)) {
        QAction* action = CodesMenu->addAction(code);
        action->setToolTip(m_codes.names.value(code));
        connect(action, &QAction::triggered, this, [this, code] { guarded([&] { markSelected(code); }); });
    }
    CodesMenu->addSeparator();
    connect(CodesMenu->addAction(QStringLiteral("Снять отметку")), &QAction::triggered, this,
            [this] { guarded([this] { markSelected(QString()); }); });
}

void AbsenceMarksPage::setMonth(int month, int year)
{
    Dataset closedCheck(Absence->connectionName(), QStringLiteral("ClosedMonth"));
    setMonthClosedCheck(closedCheck, QDate(year, month, 1));
    openTogether(monthSets(month, year) + QList<Dataset*>{&closedCheck});
    showMonth(closedIn(closedCheck));
}

QList<Dataset*> AbsenceMarksPage::monthSets(int month, int year)
{
    m_month = month;
    m_year = year;
    setMonthParams(*Absence, month, year);
    Calendar->setSql(calendarStatement(month, year));
    QList<Dataset*> sets{Absence, Calendar};
    if (m_codes.order.isEmpty())
        sets << Codes;   // read once: the menu keeps them
    return sets;
}

void AbsenceMarksPage::showMonth(bool closed)
{
    fillCodes();
    QList<GridColumn> columns = timesheetColumns(m_month, m_year);
    columns.removeLast();   // no total: a row mixes marks and hours
    // Holidays by the production calendar are titled as weekends are.
    const QVector<bool> off = daysOffIn(*Calendar, m_month, m_year);
    Calendar->close();
    for (int day = 1; day <= off.size(); ++day)
        columns[TimesheetColumn::FirstDay + day - 1].titleColor = dayTitleColor(off.at(day - 1) ? DayKind::Weekend : DayKind::Workday);
    DBGrid5->setColumns(columns);
    // A closed month's marks are what was paid; the server would refuse them.
    Button9->setEnabled(!closed);
    Button10->setEnabled(!closed);
}

void AbsenceMarksPage::refresh()
{
    if (Absence->isOpen())
        refreshKeepingPlace(*DBGrid5, QStringLiteral("w_id"));
}

void AbsenceMarksPage::close()
{
    Absence->close();
}

QList<DayCell> AbsenceMarksPage::selectedCells() const
{
    QList<DayCell> cells;
    if (!Absence->isOpen())
        return cells;
    const QDate first(m_year, m_month, 1);
    const int worker = Absence->fieldIndex(QStringLiteral("w_id"));
    for (const QModelIndex& index : DBGrid5->selectionModel()->selectedIndexes()) {
        const int day = index.column() - TimesheetColumn::FirstDay + 1;
        if (day < 1 || day > first.daysInMonth())
            continue;
        cells.append({Absence->value(index.row(), worker).toInt(), first.addDays(day - 1)});
    }
    return cells;
}

void AbsenceMarksPage::markSelected(const QString& code)
{
    const QList<DayCell> cells = selectedCells();
    if (cells.isEmpty())
        return;
    BusyCursor busy;
    DataModule6->SQL_exec->execute(setMarksStatement(cells, code));
    refresh();
}

void MarksCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() < TimesheetColumn::FirstDay || option->state.testFlag(QStyle::State_Selected))
        return;
    if (m_codes.names.contains(index.data().toString())) {
        option->font.setBold(true);
        option->palette.setColor(QPalette::Text, MarkColour);
    }
}

bool MarksCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    const QString name = m_codes.names.value(index.data().toString());
    if (event->type() != QEvent::ToolTip || name.isEmpty())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QToolTip::showText(event->globalPos(), name, view);
    return true;
}
