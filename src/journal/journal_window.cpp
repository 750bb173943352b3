#include "journal/journal_window.h"

#include "catalogs/operation_types_window.h"
#include "catalogs/operations_window.h"
#include "catalogs/products_window.h"
#include "catalogs/workers_window.h"
#include "core/build_stamp.h"
#include "core/change_notices.h"
#include "core/data_module.h"
#include "core/roles.h"
#include "core/sign_in_window.h"
#include "core/version_check.h"
#include "history/change_log_window.h"
#include "history/entry_history_window.h"
#include "history/month_closing.h"
#include "history/month_closing_window.h"
#include "timesheet/requisites_window.h"
#include "journal/acceptance.h"
#include "journal/entry_editor.h"
#include "journal/entry_deletion.h"
#include "journal/journal_menu.h"
#include "legacy_import/import_with_progress.h"
#include "overview/overview_window.h"
#include "reports/reports_window.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/clock.h"
#include "toolkit/database_error.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/grid_refresh.h"
#include "toolkit/message_box.h"
#include "toolkit/session.h"
#include "toolkit/transaction.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <utility>

TForm1* Form1 = nullptr;

namespace {

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

bool isWeekend(const QDate& date)
{
    return date.dayOfWeek() == Qt::Saturday || date.dayOfWeek() == Qt::Sunday;
}

// The box turns bold on a day off; its room is kept from the start so the date picker beside
// it stays where it is.
void reserveBoldWidth(QCheckBox* box)
{
    const QFont normal = box->font();
    QFont bold = normal;
    bold.setBold(true);
    box->setFont(bold);
    box->setMinimumWidth(box->sizeHint().width());
    box->setFont(normal);
}

// Background and weight of a shift button or of the day-off box; a plain face when no colour.
void setFace(QWidget* widget, const QColor& background, bool bold)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(),
                     background.isValid() ? background : QApplication::palette().color(QPalette::Button));
    widget->setPalette(palette);
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

QList<Dataset*> shiftLists()
{
    return {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4};
}

const Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;

GridColumn column(const QString& field, const QString& title, int width, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                  const QString& mask = QString())
{
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.alignment = alignment;
    c.mask = mask;
    return c;
}

QList<GridColumn> journalColumns()
{
    GridColumn bonus = column(QStringLiteral("prize"), QStringLiteral("Премия (%)"), 64);
    bonus.visible = false;
    return {
        column(QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), 250),
        column(QStringLiteral("marka"), QStringLiteral("Марка изделия"), 260),
        column(QStringLiteral("vid"), QStringLiteral("Операция"), 155),
        column(QStringLiteral("nmn"), QStringLiteral("Вид"), 157),
        column(QStringLiteral("color"), QStringLiteral("Цвет"), 64, Right),
        column(QStringLiteral("time"), QStringLiteral("Часы"), 64, Right),
        column(QStringLiteral("kol_vo"), QStringLiteral("Кол-во"), 57, Right),
        column(QStringLiteral("brak"), QStringLiteral("Брак"), 49, Right),
        column(QStringLiteral("summa"), QStringLiteral("Итого (р.)"), 78, Right, QStringLiteral("#0.00")),
        bonus,
        column(QStringLiteral("ok"), QStringLiteral("OK"), 37, Qt::AlignCenter),
        column(QStringLiteral("vvod"), QStringLiteral("Заведен"), 72, Qt::AlignCenter),
    };
}

} // namespace

TForm1::TForm1(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);   // 1281 x 585, as the form gives it

    ver = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ver"), this);
    verWrite = new Command(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("verWrite"), this);
    updtOK = new Command(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("updtOK"), this);
    updtOK->setSql(QStringLiteral("update accounts_dep.smena set ok=:ok where id=:id"));
    m_closedCheck = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ClosedMonth"), this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(30000);
    on(Timer1, &QTimer::timeout, this, &TForm1::CheckVersion);
    Timer1->start();

    m_changedLists = new QTimer(this);
    m_changedLists->setSingleShot(true);
    on(m_changedLists, &QTimer::timeout, this, &TForm1::refreshChangedLists);
    connect(DataModule6->Changes, &ChangeNotices::journalChanged, this, &TForm1::JournalChanged);
    connect(DataModule6->Changes, &ChangeNotices::closingChanged, this, &TForm1::ClosingChanged);

    DBGrid2->setColumns(journalColumns());
    DBGrid2->setItemDelegateForColumn(DBGrid2->columnOf(QStringLiteral("ok")), new AcceptanceMarkDelegate(DBGrid2));
    // The selected row stays marked while the focus is elsewhere.
    QPalette gridPalette = DBGrid2->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        gridPalette.setColor(QPalette::Inactive, role, gridPalette.color(QPalette::Active, role));
    DBGrid2->setPalette(gridPalette);
    DBGrid2->viewport()->installEventFilter(this);

    const QList<QRadioButton*> buttons = shiftButtons();
    for (int i = 0; i < buttons.size(); ++i)
        on(buttons.at(i), &QRadioButton::toggled, this, [shift = i + 1](TForm1* form, bool checked) {
            if (checked)
                form->RadioButtonClick(shift);
        });
    RadioButtonClick(1);

    reserveBoldWidth(CBox1);
    m_calendarPopup = DateT->calendarWidget()->window();
    m_calendarPopup->installEventFilter(this);
    DateT->installEventFilter(this);
    on(CBox1, &QCheckBox::toggled, this, &TForm1::CBox1Click);
    on(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    on(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    on(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    on(N5, &QAction::triggered, this, &TForm1::Button4Click);
    on(N1, &QAction::triggered, this, &TForm1::N1Click);
    on(N3, &QAction::triggered, this, &TForm1::N3Click);
    on(N4, &QAction::triggered, this, &TForm1::N4Click);
    on(N6, &QAction::triggered, this, &TForm1::N6Click);
    on(N10, &QAction::triggered, this, &TForm1::N10Click);
    on(N11, &QAction::triggered, this, &TForm1::N11Click);
    on(N12, &QAction::triggered, this, &TForm1::N12Click);
    on(N13, &QAction::triggered, this, &TForm1::N13Click);
    on(N14, &QAction::triggered, this, &TForm1::N14Click);
    on(N15, &QAction::triggered, this, &TForm1::N15Click);
    on(N17, &QAction::triggered, this, &TForm1::N17Click);
    on(N18, &QAction::triggered, this, &TForm1::N18Click);
    DBGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);
    DBGrid2->addAction(N13);
    // The mark's room is kept, so the date picker does not move when it shows.
    Label2->setText(QStringLiteral("Месяц закрыт"));
    Label2->ensurePolished();
    Label2->setMinimumWidth(Label2->sizeHint().width());
    Label2->clear();
}

void TForm1::CheckVersion()
{
    // A tick while an action's transaction is open (its question or message on screen) waits
    // for the next one: the stamp would otherwise commit or roll back with that action.
    // So does one while the connection is being opened again.
    if (Transaction::isOpen(QLatin1String(TDataModule6::ConnectionName))
        || Session::isOpening(QLatin1String(TDataModule6::ConnectionName)))
        return;
    FBuildDate = BuildStamp::dateNumber();
    FBuildTime = BuildStamp::timeNumber();
    VersionCheckResult result;
    try {
        result = checkVersionStamp(*ver, *verWrite, FBuildDate, FBuildTime);
    } catch (const DatabaseError& e) {
        // While the server is away the timer keeps asking every 30 s; one message tells of it.
        if (e.kind() != DatabaseError::Lost || !m_serverAway) {
            m_serverAway = e.kind() == DatabaseError::Lost;
            throw;
        }
        return;
    }
    m_serverAway = false;
    DataModule6->DecimalDelimiter = result.delimiter;
    if (result.verdict == VersionVerdict::Outdated) {
        Form23->Timer1->start();
        MessageBox::stop(QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."),
                         QStringLiteral("Ошибка"));
        QCoreApplication::quit();
    }
}

QList<QRadioButton*> TForm1::shiftButtons() const
{
    return {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
}

void TForm1::showEvent(QShowEvent* e)
{
    m_activatedSinceShown = false;
    QDialog::showEvent(e);
}

bool TForm1::event(QEvent* e)
{
    // Once per showing: coming back from a dialog opened here must keep the chosen day.
    if (e->type() == QEvent::WindowActivate && !m_activatedSinceShown) {
        m_activatedSinceShown = true;
        guarded([this] { FormActivate(); });
    }
    return QDialog::event(e);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == DateT && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            DateT->interpretText();
            guarded([this] { DateTCloseUp(); });
            return true;
        }
    } else if (watched == m_calendarPopup && e->type() == QEvent::Hide) {
        guarded([this] { DateTCloseUp(); });
    } else if (watched == DBGrid2->viewport() && e->type() == QEvent::MouseButtonDblClick && DBGrid2->isEnabled()) {
        guarded([this] { DBGrid2DblClick(); });
    }
    return QDialog::eventFilter(watched, e);
}

void TForm1::reopenShiftLists(std::optional<QDate> date)
{
    const QList<Dataset*> lists = shiftLists();
    m_changedShifts.clear();
    for (Dataset* list : lists)
        if (date)
            list->setParam(QStringLiteral("data"), *date);
    // The four lists and the month's state in one round trip.
    setMonthClosedCheck(*m_closedCheck, DataModule6->Smena1->param(QStringLiteral("data")).toDate());
    openTogether(lists + QList<Dataset*>{m_closedCheck});
    applyMonthState(closedIn(*m_closedCheck));
    m_closedCheck->close();
}

void TForm1::showMonthState()
{
    applyMonthState(monthClosed(DataModule6->Smena1->param(QStringLiteral("data")).toDate()));
}

void TForm1::applyMonthState(bool closed)
{
    m_monthStateChanged = false;
    m_monthClosed = closed;
    Label2->setText(m_monthClosed ? QStringLiteral("Месяц закрыт") : QString());
    for (QWidget* button : QList<QWidget*>{Button1, Button2, Button3}) {
        if (m_monthClosed && button->isEnabled()) {
            button->setEnabled(false);
            m_closedMonthOff << button;
        } else if (!m_monthClosed && m_closedMonthOff.removeAll(button)) {
            button->setEnabled(true);
        }
    }
}

void TForm1::JournalChanged(const ShiftNotice& notice)
{
    for (int shift = 1; shift <= 4; ++shift) {
        const Dataset* list = DataModule6->shiftDataset(shift);
        if (list->isOpen() && notice.concerns(list->param(QStringLiteral("data")).toDate(), shift))
            m_changedShifts << shift;
    }
    // Announcements come in bursts (one per day and shift a transaction touched): one re-read.
    if (!m_changedShifts.isEmpty())
        m_changedLists->start(50);
}

void TForm1::ClosingChanged(const MonthNotice& notice)
{
    const Dataset* list = DataModule6->Smena1;
    const QDate listed = list->param(QStringLiteral("data")).toDate();
    if (!list->isOpen() || !listed.isValid() || !notice.concerns(listed.year(), listed.month()))
        return;
    m_monthStateChanged = true;
    m_changedLists->start(50);
}

void TForm1::refreshChangedLists()
{
    // A dialog or message opened here (an entry being typed, a question) keeps what it was
    // opened on; the lists follow once it is closed. A hidden journal reads all lists when shown.
    if (!isVisible())
        return;
    if (const QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        m_changedLists->start(250);
        return;
    }
    if (m_monthStateChanged)
        showMonthState();
    const QSet<int> shifts = std::exchange(m_changedShifts, {});
    for (int shift : shifts) {
        Dataset* list = DataModule6->shiftDataset(shift);
        if (!list->isOpen())
            continue;
        if (list == DBGrid2->dataset())
            refreshKeepingPlace(*DBGrid2);
        else
            refreshKeepingRow(*list);
    }
}

void TForm1::FormActivate()
{
    BusyCursor busy;
    const QDate today = Clock::today();
    DateT->setDate(today);
    if (isWeekend(today))
        CBox1->setChecked(true);
    reopenShiftLists(today);
}

void TForm1::DateTCloseUp()
{
    {
        BusyCursor busy;
        reopenShiftLists(DateT->date());
        CBox1->setChecked(isWeekend(DateT->date()));
    }
    DBGrid2->setFocus();
}

void TForm1::Button8Click()
{
    BusyCursor busy;
    reopenShiftLists();
}

void TForm1::RadioButtonClick(int shift)
{
    DBGrid2->setDataset(DataModule6->shiftDataset(shift));
    const QList<QRadioButton*> buttons = shiftButtons();
    for (int i = 0; i < buttons.size(); ++i) {
        const bool chosen = i + 1 == shift;
        setFace(buttons.at(i), chosen ? Green : QColor(), chosen);
    }
    FShift = shift;
}

void TForm1::CBox1Click(bool checked)
{
    setFace(CBox1, checked ? Red : QColor(), checked);
}

void TForm1::Button3Click()
{
    deleteSelectedEntry(*DataModule6->shiftDataset(FShift));
}

void TForm1::DBGrid2DblClick()
{
    if (FSignInCode == MasterCode || m_monthClosed)
        return;
    FShiftDataset = DataModule6->shiftDataset(FShift);
    Dataset& list = *FShiftDataset;
    if (list.isEmpty())
        return;
    updtOK->setParam(QStringLiteral("ok"), switchedAcceptance(list.value(QStringLiteral("ok")).toString()));
    updtOK->setParam(QStringLiteral("id"), list.value(QStringLiteral("id")).toInt());
    const int recNo = list.recNo();
    openTogether({&list}, {updtOK->boundSql()});   // the mark and the list read again: one round trip
    list.moveTo(recNo);
}

void TForm1::Button4Click()
{
    close();
}

void TForm1::N1Click()
{
    Form5->ShowBrowse();
}

void TForm1::N3Click()
{
    Form3->ShowBrowse();
}

void TForm1::N4Click()
{
    Form4->ShowBrowse();
}

void TForm1::Button1Click()
{
    FShiftDataset = DataModule6->shiftDataset(FShift);
    Form11->OpenAdd();
}

void TForm1::Button2Click()
{
    FShiftDataset = DataModule6->shiftDataset(FShift);
    Form11->OpenChange();
}

void TForm1::N6Click()
{
    Form8->ShowBrowse();
}

void TForm1::N10Click()
{
    const ReportPeriod period = reportsDefaultPeriod(Clock::today());
    Form18->DTPicker1->setDate(period.from);
    Form18->DTPicker2->setDate(period.to);
    Form18->move(geometry().center() - Form18->rect().center());
    Form18->exec();
}

void TForm1::N12Click()
{
    importWithProgress(this, Label1);
}

void TForm1::N11Click()
{
    Form19->ShowMonth(DateT->date());
}

void TForm1::N13Click()
{
    const Dataset& list = *DataModule6->shiftDataset(FShift);
    if (list.isEmpty())
        return;
    Form24->ShowEntry(list.value(QStringLiteral("id")).toInt());
}

void TForm1::N14Click()
{
    const QDate day = DateT->date();
    Form25->ShowPeriod(QDate(day.year(), day.month(), 1), QDate(day.year(), day.month(), day.daysInMonth()));
}

void TForm1::N15Click()
{
    Form26->ShowMonths();
    showMonthState();
}

void TForm1::N17Click()
{
    Form27->ShowRequisites();
}

void TForm1::N18Click()
{
    Form29->ShowMonth(DateT->date());
}

void TForm1::ShowDay(const QDate& day)
{
    DateT->setDate(day);
    DateTCloseUp();
}
