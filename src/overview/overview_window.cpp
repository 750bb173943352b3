#include "overview/overview_window.h"

#include "core/change_notices.h"
#include "core/data_module.h"
#include "core/operation_names.h"
#include "overview/overview_charts.h"
#include "overview/overview_output.h"
#include "overview/overview_reading.h"
#include "overview/overview_tables.h"
#include "timesheet/month_choice.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/clock.h"
#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <utility>

TForm29* Form29 = nullptr;

namespace {
const QColor DayOffText(200, 0, 0);

// The figures beside a chart: the first column left, the others right, the total bold.
void fillTable(QTableWidget* table, const FigureTable& figures)
{
    table->clear();
    table->setColumnCount(figures.titles.size());
    table->setRowCount(figures.lines.size());
    table->setHorizontalHeaderLabels(figures.titles);
    for (int row = 0; row < figures.lines.size(); ++row) {
        const bool total = row == figures.lines.size() - 1;
        for (int column = 0; column < figures.titles.size(); ++column) {
            auto* item = new QTableWidgetItem(figures.lines.at(row).value(column));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            if (total) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            } else if (figures.red.value(row)) {
                item->setForeground(DayOffText);
            }
            table->setItem(row, column, item);
        }
    }
    // Figures whole; a name that does not fit is elided.
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
}

void prepareTable(QTableWidget* table)
{
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setHighlightSections(false);
    table->setWordWrap(false);
}

// Replaces the view's chart; the old one goes with its series.
void showChart(QChartView* view, QChart* chart)
{
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}
}

TForm29::TForm29(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    for (QTableWidget* table : {Table1, Table2, Table3})
        prepareTable(table);
    for (QChartView* view : {ChartView1, ChartView2, ChartView3}) {
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumSize(200, 150);
    }
    ComboBox2->addItems(timesheetYears(Clock::today().year(), Clock::today().year()));

    on(RadioButton1, &QRadioButton::clicked, this, &TForm29::PeriodChange);
    on(RadioButton2, &QRadioButton::clicked, this, &TForm29::PeriodChange);
    on(ComboBox1, &QComboBox::activated, this, &TForm29::PeriodChange);
    on(ComboBox2, &QComboBox::activated, this, &TForm29::PeriodChange);
    on(ComboBox3, &QComboBox::activated, this, &TForm29::MeasureChange);
    on(CheckBox1, &QCheckBox::clicked, this, &TForm29::CheckBox1Click);
    on(Button1, &QPushButton::clicked, this, &TForm29::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm29::Button2Click);
    on(Button4, &QPushButton::clicked, this, &TForm29::Button4Click);
    // Enter or a double click on a line of the figures is a click on its bar.
    connect(Table1, &QTableWidget::activated, this, [this](const QModelIndex& index) { guarded([&] { PartChosen(index.row() + 1); }); });
    connect(Table2, &QTableWidget::activated, this, [this](const QModelIndex& index) { guarded([&] { WorkerChosen(index.row()); }); });

    m_changedTimer = new QTimer(this);
    m_changedTimer->setSingleShot(true);
    on(m_changedTimer, &QTimer::timeout, this, &TForm29::refreshChanged);
    connect(DataModule6->Changes, &ChangeNotices::journalChanged, this, &TForm29::JournalChanged);
    connect(DataModule6->Changes, &ChangeNotices::closingChanged, this, &TForm29::ClosingChanged);
}

void TForm29::setScope(bool workers, bool finishedOnly)
{
    m_workersShown = workers;
    m_finishedOnly = finishedOnly;
    for (QWidget* w : std::initializer_list<QWidget*>{ChartView2, Table2, Label3, ComboBox3})
        w->setVisible(workers);
}

void TForm29::setLinks(bool days, bool workers)
{
    m_dayLinks = days;
    m_workerLinks = workers;
}

OverviewPeriod TForm29::shownPeriod() const
{
    return {ComboBox2->currentText().toInt(), RadioButton2->isChecked() ? 0 : ComboBox1->currentIndex() + 1};
}

OutputMeasure TForm29::measure() const
{
    return ComboBox3->currentIndex() == 1 ? OutputMeasure::Pieces : OutputMeasure::Money;
}

OverviewSheet TForm29::sheet() const
{
    return {Label2->text(), Label1->text(), m_figures, measure(), m_workersShown, CheckBox1->isChecked()};
}

void TForm29::ShowMonth(const QDate& date)
{
    // Readable on a small screen: the window takes what the desktop leaves, up to a size where
    // the charts stop gaining.
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        resize(qMin(1500, room.width() - 20), qMin(950, room.height() - 40));
        move(room.center() - rect().center());
    }
    ChooseMonth(date);
    exec();
    m_read = false;
}

void TForm29::ChooseMonth(const QDate& date)
{
    ComboBox2->clear();
    ComboBox2->addItems(timesheetYears(Clock::today().year(), date.year()));
    ComboBox2->setCurrentIndex(ComboBox2->findText(QString::number(date.year())));
    ComboBox1->setCurrentIndex(date.month() - 1);
    RadioButton1->setChecked(true);
    PeriodChange();
}

void TForm29::PeriodChange()
{
    ComboBox1->setEnabled(RadioButton1->isChecked());
    BusyCursor busy;
    readPeriod();
}

void TForm29::readPeriod()
{
    m_changed = false;
    OverviewQueries queries(QLatin1String(TDataModule6::ConnectionName), shownPeriod(), m_finishedOnly);
    m_figures = queries.read();
    m_read = true;
    drawAll();
}

void TForm29::drawAll()
{
    const OverviewPeriod& period = m_figures.period;
    setWindowTitle(period.wholeYear() ? QStringLiteral("Обзор года") : QStringLiteral("Обзор месяца"));
    Label2->setText((period.wholeYear() ? QStringLiteral("Обзор года: ") : QStringLiteral("Обзор месяца: "))
                    + periodHeading(period)
                    + (m_finishedOnly ? QStringLiteral(" (") + productKindName(0) + QLatin1Char(')') : QString()));
    drawHours();
    if (m_workersShown)
        drawWorkers();
    drawGroups();
    showState();
}

void TForm29::drawHours()
{
    const OverviewPeriod& period = m_figures.period;
    showChart(ChartView1, hoursChart(m_figures));
    Label4->setText(hoursKeyHtml(!period.wholeYear()));
    const auto* series = static_cast<QAbstractBarSeries*>(ChartView1->chart()->series().constFirst());
    for (QBarSet* set : series->barSets())
        connect(set, &QBarSet::clicked, this, [this](int index) { guarded([&] { PartChosen(index + 1); }); });

    fillTable(Table1, hoursTable(m_figures));
    ChartView1->setToolTip(period.wholeYear() ? QStringLiteral("Щелчок по месяцу: обзор этого месяца")
                           : m_dayLinks       ? QStringLiteral("Щелчок по дню: журнал этого дня")
                                              : QString());
}

void TForm29::drawWorkers()
{
    rankWorkers(m_figures.workers, measure());
    showChart(ChartView2, workersChart(m_figures.workers, measure(), WorkersDrawn));
    const auto* series = static_cast<QAbstractBarSeries*>(ChartView2->chart()->series().constFirst());
    const int drawn = qMin(WorkersDrawn, int(m_figures.workers.size()));
    for (QBarSet* set : series->barSets())
        connect(set, &QBarSet::clicked, this, [this, drawn](int index) { guarded([&] { WorkerChosen(drawn - 1 - index); }); });

    fillTable(Table2, workersTable(m_figures.workers));
    ChartView2->setToolTip(m_workerLinks ? QStringLiteral("Щелчок по рабочему: его изменения за период") : QString());
}

void TForm29::drawGroups()
{
    showChart(ChartView3, groupsChart(m_figures.groups, CheckBox1->isChecked()));
    fillTable(Table3, groupsTable(m_figures.groups));
}

void TForm29::showState()
{
    const OverviewPeriod& period = m_figures.period;
    if (!period.wholeYear()) {
        Label1->setText(m_figures.closed() ? QStringLiteral("Месяц закрыт") : QString());
        return;
    }
    QStringList names;
    for (int month : std::as_const(m_figures.closedMonths))
        names << partCaption(period, month);
    Label1->setText(names.isEmpty() ? QString() : QStringLiteral("Закрыты: ") + names.join(QStringLiteral(", ")));
}

void TForm29::MeasureChange()
{
    if (m_read)
        drawWorkers();
}

void TForm29::CheckBox1Click()
{
    if (m_read)
        drawGroups();
}

void TForm29::PartChosen(int part)
{
    const OverviewPeriod period = m_figures.period;
    if (part < 1 || part > period.parts())
        return;
    if (period.wholeYear()) {
        ComboBox1->setCurrentIndex(part - 1);
        RadioButton1->setChecked(true);
        PeriodChange();
        return;
    }
    if (m_dayLinks)
        emit dayChosen(QDate(period.year, period.month, part));
}

void TForm29::WorkerChosen(int rank)
{
    if (!m_workerLinks || rank < 0 || rank >= m_figures.workers.size())
        return;
    emit workerChosen(m_figures.workers.at(rank).id, m_figures.period.from(), m_figures.period.to().addDays(-1));
}

void TForm29::Button1Click()
{
    const QString suggested = overviewFileName(m_figures.period);
    const QString pdf = QStringLiteral("PDF (*.pdf)");
    QString filter = pdf;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить как"), suggested,
                                                pdf + QStringLiteral(";;PNG (*.png)"), &filter);
    if (path.isEmpty())
        return;
    // The proposed name ends in ".pdf": choosing PNG changes it, a suffix typed by hand stays.
    const QString suffix = filter == pdf ? QStringLiteral(".pdf") : QStringLiteral(".png");
    if (QFileInfo(path).suffix().isEmpty())
        path += suffix;
    else if (filter != pdf && path == suggested)
        path = path.chopped(4) + suffix;
    BusyCursor busy;
    if (!saveOverview(Panel1, sheet(), path))
        MessageBox::stop(QStringLiteral("Не удалось записать файл ") + path, QStringLiteral("Ошибка"));
}

void TForm29::Button2Click()
{
    BusyCursor busy;
    readPeriod();
}

void TForm29::Button4Click()
{
    close();
}

void TForm29::JournalChanged(const ShiftNotice& notice)
{
    if (!m_read || (notice.day.isValid() && !m_figures.period.contains(notice.day)))
        return;
    // Entries saved one by one elsewhere come in a burst: one re-read.
    m_changed = true;
    m_changedTimer->start(50);
}

void TForm29::ClosingChanged(const MonthNotice& notice)
{
    const OverviewPeriod& period = m_figures.period;
    if (!m_read || (notice.year != 0 && (notice.year != period.year || (!period.wholeYear() && notice.month != period.month))))
        return;
    m_changed = true;
    m_changedTimer->start(50);
}

void TForm29::refreshChanged()
{
    // A dialog opened here keeps what it was opened on; the charts follow once it is closed.
    if (!m_changed || !isVisible())
        return;
    if (const QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        m_changedTimer->start(250);
        return;
    }
    readPeriod();
}
