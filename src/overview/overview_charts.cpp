#include "overview/overview_charts.h"

#include "core/operation_names.h"
#include "timesheet/t13_days.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QPieSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace {
const QColor ShiftColors[OverviewShifts] = {QColor(70, 120, 180), QColor(110, 170, 90), QColor(120, 90, 160), QColor(220, 130, 50)};
const QColor DayOffShade(230, 40, 40, 45);
const QColor GroupColors[2] = {QColor(70, 120, 180), QColor(200, 160, 60)};

QChart* newChart(const QString& title)
{
    auto* chart = new QChart;
    QFont font = chart->titleFont();
    font.setPointSize(9);
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setTitle(title);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->legend()->setVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

QFont axisFont()
{
    QFont font;
    font.setPointSize(7);
    return font;
}

// A category axis along the bars and a value axis from 0 across them.
void addAxes(QChart* chart, QAbstractSeries* series, const QStringList& categories, Qt::Alignment along, Qt::Alignment across)
{
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    names->setLabelsFont(axisFont());
    names->setGridLineVisible(false);
    names->setTruncateLabels(false);   // the axis takes the room a worker's name needs
    auto* values = new QValueAxis;
    values->setLabelsFont(axisFont());
    values->setLabelFormat(QStringLiteral("%.0f"));
    values->setMin(0);
    chart->addAxis(names, along);
    chart->addAxis(values, across);
    series->attachAxis(names);
    series->attachAxis(values);
    values->applyNiceNumbers();
    values->setMin(0);
    if (values->max() <= 0)   // nothing to draw: an empty scale, not a collapsed one
        values->setMax(1);
}
}

QChart* hoursChart(const OverviewFigures& figures)
{
    const OverviewPeriod& period = figures.period;
    const PartHours total = totalHours(figures.hours);
    QChart* chart = newChart(QStringLiteral("Часы по %1 (всего %2)")
                                 .arg(period.wholeYear() ? QStringLiteral("месяцам") : QStringLiteral("дням"))
                                 .arg(total.total()));
    auto* series = new QStackedBarSeries;
    for (int s = 0; s < OverviewShifts; ++s) {
        auto* set = new QBarSet(shiftName(s + 1));
        set->setColor(ShiftColors[s]);
        set->setBorderColor(ShiftColors[s]);
        for (const PartHours& part : figures.hours)
            set->append(double(part.shift[s]));
        series->append(set);
    }
    series->setBarWidth(0.8);
    chart->addSeries(series);
    QStringList categories;
    for (int part = 1; part <= period.parts(); ++part)
        categories << partCaption(period, part);
    addAxes(chart, series, categories, Qt::AlignBottom, Qt::AlignLeft);
    return chart;
}

QString hoursKeyHtml(bool daysOff)
{
    const QString square = QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2");
    QStringList keys;
    for (int s = 0; s < OverviewShifts; ++s)
        keys << square.arg(ShiftColors[s].name(), shiftName(s + 1));
    if (daysOff) {
        // The shade as it shows over the white plot.
        const QColor over = QColor::fromRgbF(1 - DayOffShade.alphaF() * (1 - DayOffShade.redF()),
                                             1 - DayOffShade.alphaF() * (1 - DayOffShade.greenF()),
                                             1 - DayOffShade.alphaF() * (1 - DayOffShade.blueF()));
        keys << square.arg(over.name(), QStringLiteral("выходные и праздники"));
    }
    return keys.join(QStringLiteral("&nbsp;&nbsp;&nbsp;"));
}

QChart* workersChart(const QVector<WorkerOutput>& ranked, OutputMeasure measure, int shown)
{
    const int drawn = qMin(shown, int(ranked.size()));
    QString title = measure == OutputMeasure::Money ? QStringLiteral("Выработка по рабочим, сумма: итого %1")
                                                    : QStringLiteral("Выработка по рабочим, штук: итого %1");
    title = title.arg(measureTotalText(ranked, measure));
    if (drawn < ranked.size())
        title += QStringLiteral(" (первые %1 из %2)").arg(drawn).arg(ranked.size());
    QChart* chart = newChart(title);
    auto* series = new QHorizontalBarSeries;
    auto* set = new QBarSet(measure == OutputMeasure::Money ? QStringLiteral("Сумма") : QStringLiteral("Штук"));
    set->setColor(QColor(70, 120, 180));
    set->setBorderColor(QColor(70, 120, 180));
    QStringList categories;
    // Bars go up from the axis' start: the largest is drawn last, at the top.
    for (int i = drawn - 1; i >= 0; --i) {
        set->append(measureValue(ranked.at(i), measure));
        // The axis takes each caption once: a namesake's initials get his number.
        QString caption = surnameAndInitials(ranked.at(i).name);
        if (categories.contains(caption))
            caption += QStringLiteral(" №%1").arg(ranked.at(i).id);
        categories << caption;
    }
    series->append(set);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    addAxes(chart, series, categories, Qt::AlignLeft, Qt::AlignBottom);
    return chart;
}

QChart* groupsChart(const QVector<GroupOutput>& groups, bool pie)
{
    QChart* chart = newChart(QStringLiteral("Штук по видам продукции (итого %1)").arg(totalPieces(groups)));
    if (pie) {
        auto* series = new QPieSeries;
        for (const GroupOutput& g : groups) {
            QPieSlice* slice = series->append(productKindName(g.kind) + QStringLiteral(": ") + piecesText(g.pieces), double(g.pieces));
            slice->setColor(GroupColors[g.kind == 0 ? 0 : 1]);
            slice->setLabelVisible(true);
            slice->setLabelFont(axisFont());
        }
        series->setPieSize(0.6);
        chart->addSeries(series);
        return chart;
    }
    auto* series = new QBarSeries;
    auto* set = new QBarSet(QStringLiteral("Штук"));
    set->setColor(GroupColors[0]);
    set->setBorderColor(GroupColors[0]);
    QStringList categories;
    for (const GroupOutput& g : groups) {
        set->append(double(g.pieces));
        categories << productKindName(g.kind);
    }
    series->append(set);
    series->setBarWidth(0.5);
    chart->addSeries(series);
    addAxes(chart, series, categories, Qt::AlignBottom, Qt::AlignLeft);
    return chart;
}

HoursChartView::HoursChartView(QWidget* parent) : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
}

void HoursChartView::setDaysOff(const QVector<bool>& daysOff)
{
    m_daysOff = daysOff;
    viewport()->update();
}

void HoursChartView::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    const QChart* shown = chart();
    if (!shown || m_daysOff.isEmpty())
        return;
    const QRectF plot = shown->mapToScene(shown->plotArea()).boundingRect();
    const double width = plot.width() / m_daysOff.size();
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(DayOffShade);
    for (int day = 0; day < m_daysOff.size(); ++day)
        if (m_daysOff.at(day))
            painter->drawRect(QRectF(plot.left() + day * width, plot.top(), width, plot.height()));
    painter->restore();
}
