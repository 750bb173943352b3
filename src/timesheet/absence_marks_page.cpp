#include "timesheet/absence_marks_page.h"

#include "core/data_module.h"
#include "history/month_closing.h"
#include "timesheet/rebuild_texts.h"
#include "timesheet/t13_sheet.h"
#include "timesheet/timesheet_grid.h"
#include "timesheet/timesheet_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset_grid.h"
#include "toolkit/error_guard.h"
#include "toolkit/grid_refresh.h"
#include "toolkit/message_box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMultiHash>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

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

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    m_typedCode = new QTimer(this);
    m_typedCode->setSingleShot(true);
    m_typedCode->setInterval(800);
    connect(m_typedCode, &QTimer::timeout, this, [this] {
        const QString code = std::exchange(m_typed, QString());
        if (m_codes.names.contains(code))
            guarded([this, code] { markSelected(code); });
    });
    DBGrid5->installEventFilter(this);
    connect(DBGrid5->selectionModel(), &QItemSelectionModel::selectionChanged, this, &AbsenceMarksPage::enableButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button9);
    buttons->addWidget(Button10);
    buttons->addWidget(Label2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(DBGrid5);
    layout->addLayout(buttons);

    connect(Button10, &QPushButton::clicked, this, [this] { guarded([this] { markSelected(QString()); }); });
    connect(DBGrid5, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // Only over days the month has, and only while it is open.
        if (!m_closed && !selectedCells().isEmpty())
            CodesMenu->popup(DBGrid5->viewport()->mapToGlobal(at));
    });
}

void AbsenceMarksPage::enableButtons()
{
    // Codes are offered for days the month has, in an open month.
    const bool markable = !m_closed && !selectedCells().isEmpty();
    Button9->setEnabled(markable);
    Button10->setEnabled(markable);
}

bool AbsenceMarksPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != DBGrid5 || event->type() != QEvent::KeyPress || m_closed)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
        m_typed.clear();
        guarded([this] { markSelected(QString()); });
        return true;
    }
    const QString text = key->text().toUpper();
    if (text.size() == 1 && text.at(0).isLetter() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        guarded([this, text] { typed(text); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AbsenceMarksPage::typed(const QString& letter)
{
    const QString prefix = (m_typedCode->isActive() ? m_typed : QString()) + letter;
    m_typedCode->stop();
    QStringList starting;
    for (const QString& code : std::as_const(m_codes.order))
        if (code.startsWith(prefix))
            starting << code;
    if (starting.isEmpty()) {
        m_typed.clear();
        QApplication::beep();
        return;
    }
    if (starting == QStringList{prefix}) {   // no longer code begins so: at once
        m_typed.clear();
        markSelected(prefix);
        return;
    }
    // "Р" may go on to "РП": the letters wait a moment for more, then mark the code they spell.
    m_typed = prefix;
    m_typedCode->start();
}

void AbsenceMarksPage::fillCodes()
{
    if (!m_codes.order.isEmpty() || !Codes->isOpen())
        return;
    m_codes = absenceCodesIn(*Codes);
    Codes->close();
    for (const QString& code : std::as_const(m_codes.order)) {
        QAction* action = CodesMenu->addAction(code + QStringLiteral(" — ") + m_codes.names.value(code));
        action->setData(code);
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
    // Holidays by the production calendar are titled as weekends are.
    m_daysOff = daysOffIn(*Calendar, m_month, m_year);
    m_holidays = holidaysIn(*Calendar, m_month, m_year);
    Calendar->close();
    QList<GridColumn> columns = timesheetColumns(m_month, m_year, m_daysOff);
    columns.removeLast();   // no total: a row mixes marks and hours
    columns[TimesheetColumn::Name].width = nameColumnWidth(*DBGrid5);
    DBGrid5->setColumns(columns);
    // A closed month's marks are what was paid; the server would refuse them. The buttons, the
    // menu and the keys are off, and the line beside them says why.
    m_closed = closed;
    m_typed.clear();
    m_typedCode->stop();
    const QString why = closed ? closedMonthMarksText() : QString();
    enableButtons();
    Button9->setToolTip(why);
    Button10->setToolTip(why);
    Label2->setText(why);
}

void AbsenceMarksPage::refresh()
{
    if (!Absence->isOpen())
        return;
    // The cells stay selected by worker and day, so that the next code or Delete goes to them.
    const int worker = Absence->fieldIndex(QStringLiteral("w_id"));
    QMultiHash<int, int> selected;   // worker -> column
    for (const QModelIndex& index : DBGrid5->selectionModel()->selectedIndexes())
        selected.insert(Absence->value(index.row(), worker).toInt(), index.column());
    refreshKeepingPlace(*DBGrid5, QStringLiteral("w_id"));
    QItemSelection again;
    for (int row = 0; row < Absence->recordCount() && !selected.isEmpty(); ++row)
        for (const int column : selected.values(Absence->value(row, worker).toInt()))
            again.select(DBGrid5->model()->index(row, column), DBGrid5->model()->index(row, column));
    DBGrid5->selectionModel()->select(again, QItemSelectionModel::ClearAndSelect);
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

QString AbsenceMarksPage::cellWithHours(const QList<DayCell>& cells, const QString& code) const
{
    if (code.isEmpty() || m_codes.withWork.contains(code))
        return {};
    const int worker = Absence->fieldIndex(QStringLiteral("w_id"));
    const int name = Absence->fieldIndex(QStringLiteral("fio"));
    for (int row = 0; row < Absence->recordCount(); ++row)
        for (const DayCell& cell : cells) {
            if (Absence->value(row, worker).toInt() != cell.worker)
                continue;
            bool hours = false;
            Absence->value(row, Absence->fieldIndex(QStringLiteral("d%1").arg(cell.day.day()))).toString().toInt(&hours);
            if (hours)
                return QStringLiteral("%1, %2").arg(Absence->value(row, name).toString(), cell.day.toString(QStringLiteral("dd.MM.yyyy")));
        }
    return {};
}

QString AbsenceMarksPage::hoursRefusal(const QString& where, const QString& code, const QString& none) const
{
    return QStringLiteral("%1: у работника есть часы работы, а код «%2» (%3) ставится только на день без работы. %4")
        .arg(where, code, m_codes.names.value(code), none);
}

void AbsenceMarksPage::markSelected(const QString& code)
{
    const QList<DayCell> cells = selectedCells();
    if (cells.isEmpty() || m_closed)
        return;
    const QString none = cells.size() > 1 ? noneOfMarksWritten(int(cells.size())) : QStringLiteral("Отметка не записана.");
    if (const QString where = cellWithHours(cells, code); !where.isEmpty()) {
        MessageBox::stop(hoursRefusal(where, code, none), QStringLiteral("Ошибка"));
        return;
    }
    BusyCursor busy;
    try {
        DataModule6->SQL_exec->execute(setMarksStatement(cells, code));
    } catch (const DatabaseError& e) {
        if (e.kind() != DatabaseError::Rule || cells.size() == 1)
            throw;
        // The statement wrote all the cells or none; the server's word is of one of them. Hours
        // written meanwhile by someone else show once the grid is read again, with their worker.
        refresh();
        if (const QString where = cellWithHours(cells, code); !where.isEmpty())
            throw DatabaseError(hoursRefusal(where, code, none), e.statement(), DatabaseError::Rule);
        QString refusal = e.message();
        refusal.remove(QStringLiteral(" Отметка не записана.")).remove(QStringLiteral(" Изменения не записаны."));
        throw DatabaseError(refusal + QLatin1Char(' ') + none, e.statement(), DatabaseError::Rule);
    }
    Label2->setText(isAnnualLeave(code) ? leaveHolidaysText(cells, m_holidays) : QString());
    refresh();
}

QString leaveHolidaysText(const QList<DayCell>& cells, const QVector<bool>& holidays)
{
    QStringList days;
    for (const DayCell& cell : cells)
        if (holidays.value(cell.day.day() - 1)) {
            const QString day = cell.day.toString(QStringLiteral("dd.MM"));
            if (!days.contains(day))
                days << day;
        }
    if (days.isEmpty())
        return {};
    std::sort(days.begin(), days.end());
    return QStringLiteral("%1 — праздник: в отпуск не входит, в Т-13 «В»").arg(days.join(QStringLiteral(", ")));
}

QString noneOfMarksWritten(int count)
{
    const bool one = count % 10 == 1 && count % 100 != 11;
    return QStringLiteral("Ни одна из %1 %2 не записана.").arg(count).arg(one ? QStringLiteral("отметки") : QStringLiteral("отметок"));
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
