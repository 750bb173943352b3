#include "timesheet/timesheet_window.h"

#include "core/change_notices.h"
#include "core/data_module.h"
#include "history/month_closing.h"
#include "hours/month_rebuild.h"
#include "timesheet/absence_marks_page.h"
#include "timesheet/month_choice.h"
#include "timesheet/rebuild_texts.h"
#include "timesheet/t13_output.h"
#include "timesheet/timesheet_export.h"
#include "timesheet/timesheet_grid.h"
#include "timesheet/timesheet_printout.h"
#include "timesheet/timesheet_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/clock.h"
#include "toolkit/error_guard.h"
#include "toolkit/grid_refresh.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTime>
#include <QTimer>
#include <exception>
#include <utility>

TForm19* Form19 = nullptr;

TForm19::TForm19(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    // A clerk works in it all day: it takes the screen, and the grids the room.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    PB->hide();
    m_closedCheck = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ClosedMonth"), this);

    const QList<Dataset*> sets = gridDatasets();
    const QList<DBGrid*> views = grids();
    for (int i = 0; i < views.size(); ++i) {
        sets.at(i)->setSql(shiftGridStatement(i + 1));
        DBGrid* grid = views.at(i);
        grid->setSelectionBehavior(QAbstractItemView::SelectItems);
        grid->setDataset(sets.at(i));
        auto* delegate = new TimesheetCellDelegate(grid);
        grid->setItemDelegate(delegate);
        m_delegates << delegate;
    }
    ComboBox2->addItems(timesheetYears(Clock::today().year(), Clock::today().year()));
    TabSheet5 = new AbsenceMarksPage(PageControl1);
    PageControl1->addTab(TabSheet5, QStringLiteral("Неявки"));

    on(ComboBox1, &QComboBox::activated, this, &TForm19::ComboBox1Change);
    on(ComboBox2, &QComboBox::activated, this, &TForm19::ComboBox1Change);
    on(Button1, &QPushButton::clicked, this, &TForm19::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm19::Button2Click);
    on(Button4, &QPushButton::clicked, this, &TForm19::Button4Click);
    on(Button5, &QPushButton::clicked, this, &TForm19::Button5Click);
    on(Button6, &QPushButton::clicked, this, &TForm19::Button6Click);
    on(Button7, &QPushButton::clicked, this, &TForm19::Button7Click);
    on(Button8, &QPushButton::clicked, this, &TForm19::Button8Click);
    on(Button9, &QPushButton::clicked, this, &TForm19::Button9Click);

    m_changedMonth = new QTimer(this);
    m_changedMonth->setSingleShot(true);
    on(m_changedMonth, &QTimer::timeout, this, &TForm19::refreshChangedMonth);
    connect(DataModule6->Changes, &ChangeNotices::hoursChanged, this, &TForm19::HoursChanged);
    connect(DataModule6->Changes, &ChangeNotices::closingChanged, this, &TForm19::ClosingChanged);
}

QList<Dataset*> TForm19::gridDatasets() const
{
    return {DataModule6->H_Tabel_1, DataModule6->H_Tabel_2, DataModule6->H_Tabel_3, DataModule6->H_Tabel_4};
}

QList<DBGrid*> TForm19::grids() const
{
    return {DBGrid1, DBGrid2, DBGrid3, DBGrid4};
}

void TForm19::ShowMonth(const QDate& date)
{
    const QString year = QString::number(date.year());
    ComboBox2->clear();
    ComboBox2->addItems(timesheetYears(Clock::today().year(), date.year()));
    ComboBox2->setCurrentIndex(ComboBox2->findText(year));
    ComboBox1->setCurrentIndex(date.month() - 1);
    try {
        ComboBox1Change();
    } catch (...) {
        closeGrids();
        throw;
    }
    exec();
    closeGrids();
}

void TForm19::closeGrids()
{
    for (Dataset* set : gridDatasets())
        set->close();
    TabSheet5->close();
}

bool TForm19::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

// The export leaves its count in the caption until the window is next activated.
void TForm19::FormActivate()
{
    Button2->setText(QStringLiteral("Excel"));
}

void TForm19::ComboBox1Change()
{
    Label1->clear();   // a rebuild's word belongs to its month
    const int month = chosenMonth();
    const int year = chosenYear();
    const QList<DBGrid*> views = grids();
    BusyCursor busy;
    const bool closed = readMonth(month, year);
    // Holidays by the production calendar, read with the marks, look as weekends do.
    const QVector<bool>& daysOff = TabSheet5->daysOff();
    for (int i = 0; i < views.size(); ++i) {
        QList<GridColumn> columns = timesheetColumns(month, year, daysOff);
        columns[TimesheetColumn::Name].width = nameColumnWidth(*views.at(i));
        views.at(i)->setColumns(columns);
        m_delegates.at(i)->setMonth(month, year, daysOff);
    }
    applyMonthState(closed);
}

bool TForm19::readMonth(int month, int year)
{
    m_monthChanged = false;
    const QList<Dataset*> sets = gridDatasets();
    for (Dataset* set : sets) {
        set->close();
        setMonthParams(*set, month, year);
    }
    // The four grids, the marks page and the month's state in one round trip.
    setMonthClosedCheck(*m_closedCheck, QDate(year, month, 1));
    openTogether(sets + TabSheet5->monthSets(month, year) + QList<Dataset*>{m_closedCheck});
    const bool closed = closedIn(*m_closedCheck);
    m_closedCheck->close();
    TabSheet5->showMonth(closed);
    return closed;
}

void TForm19::showMonthState()
{
    applyMonthState(monthClosed(QDate(chosenYear(), chosenMonth(), 1)));
}

void TForm19::applyMonthState(bool closed)
{
    m_monthStateChanged = false;
    // A closed month's grid is what was paid; the server would refuse the rebuild. The button
    // and the line beside it say why it is off.
    Button1->setEnabled(!closed);
    Button1->setToolTip(closed ? closedMonthText() : QString());
    Label1->setText(closed ? closedMonthText() : QString());
}

bool TForm19::shows(const MonthNotice& notice) const
{
    const Dataset* shown = DataModule6->H_Tabel_1;
    return shown->isOpen()
        && notice.concerns(shown->param(QStringLiteral("yea")).toInt(), shown->param(QStringLiteral("mnth")).toInt());
}

void TForm19::HoursChanged(const MonthNotice& notice)
{
    if (!shows(notice))
        return;
    // Cells saved one by one elsewhere come in a burst: one re-read.
    m_monthChanged = true;
    m_changedMonth->start(50);
}

void TForm19::ClosingChanged(const MonthNotice& notice)
{
    if (!shows(notice))
        return;
    m_monthStateChanged = true;
    m_changedMonth->start(50);
}

void TForm19::refreshChangedMonth()
{
    // A preview or message opened here keeps what it was opened on; the grids follow once it is
    // closed. A hidden window reads its month when shown.
    if (!(m_monthChanged || m_monthStateChanged) || !isVisible())
        return;
    if (const QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        m_changedMonth->start(250);
        return;
    }
    if (m_monthStateChanged)
        showMonthState();
    if (!std::exchange(m_monthChanged, false))
        return;
    for (DBGrid* grid : grids())
        if (grid->dataset()->isOpen())
            refreshKeepingPlace(*grid);
    TabSheet5->refresh();
}

void TForm19::reopenGrids()
{
    closeGrids();
    readMonth(chosenMonth(), chosenYear());
}

void TForm19::Button5Click()
{
    BusyCursor busy;
    reopenGrids();
}

// A failed rebuild changes nothing: the grids come back with the month as it was.
void TForm19::Button1Click()
{
    const int month = chosenMonth();
    const int year = chosenYear();
    closeGrids();
    Label1->clear();
    PB->setRange(1, QDate(year, month, 1).daysInMonth());
    PB->setValue(1);
    PB->show();
    std::exception_ptr failure;
    {
        BusyCursor busy;
        try {
            rebuildMonth(month, year, [this] { Label1->setText(rebuildWaitingText()); });
            PB->setValue(PB->maximum());
        } catch (...) {
            failure = std::current_exception();
        }
        Label1->clear();
        PB->hide();
        reopenGrids();
    }
    if (failure)
        std::rethrow_exception(failure);
    Label1->setText(rebuildDoneText(month, year, QTime::currentTime()));
}

void TForm19::Button2Click()
{
    BusyCursor busy;
    exportMonth(chosenMonth(), chosenYear(), [this](int written, int count) {
        Button2->setText(QStringLiteral("Excel (%1 из %2)").arg(written).arg(count));
        // Painting only: a click now would start a second export into the workbook being filled.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}

void TForm19::Button6Click()
{
    showTimesheetPrintout(chosenMonth(), chosenYear());
}

void TForm19::Button7Click()
{
    showT13(chosenMonth(), chosenYear(), this);
}

void TForm19::Button8Click()
{
    exportT13(chosenMonth(), chosenYear(), this);
}

void TForm19::Button9Click()
{
    emit overviewWanted(chosenMonth(), chosenYear());
}

void TForm19::Button4Click()
{
    close();
}
