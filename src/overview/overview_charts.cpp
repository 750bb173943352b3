#include "overview/overview_charts.h"

#include "core/operation_names.h"
#include "timesheet/t13_days.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QPainter>
#include <QPieSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace {
const QColor ShiftColors[OverviewShifts] = {QColor(70, 120, 180), QColor(110, 170, 90), QColor(120, 90, 160), QColor(220, 130, 50)};
const QColor DayOffTint(230, 40, 40, 45);
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
    if (!figures.daysOff.isEmpty())
        new DaysOffShade(chart, figures.daysOff);
    return chart;
}

QList<ChartKey> hoursKey(bool daysOff)
{
    QList<ChartKey> keys;
    for (int s = 0; s < OverviewShifts; ++s)
        keys.append({ShiftColors[s], shiftName(s + 1)});
    if (daysOff) {
        const QColor over = QColor::fromRgbF(1 - DayOffTint.alphaF() * (1 - DayOffTint.redF()),
                                             1 - DayOffTint.alphaF() * (1 - DayOffTint.greenF()),
                                             1 - DayOffTint.alphaF() * (1 - DayOffTint.blueF()));
        keys.append({over, QStringLiteral("выходные и праздники")});
    }
    return keys;
}

QString hoursKeyHtml(bool daysOff)
{
    const QString square = QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2");
    QStringList keys;
    for (const ChartKey& key : hoursKey(daysOff))
        keys << square.arg(key.colour.name(), key.text);
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

DaysOffShade::DaysOffShade(QChart* chart, const QVector<bool>& daysOff) : QGraphicsItem(chart), m_chart(chart), m_daysOff(daysOff)
{
    // Above the plot's background (0), under its grid (2) and the series (4) of the chart.
    setZValue(1);
    setAcceptedMouseButtons(Qt::NoButton);   // a click goes on to the bar or the chart
    QObject::connect(chart, &QChart::plotAreaChanged, chart, [this] { prepareGeometryChange(); });
}

QRectF DaysOffShade::boundingRect() const
{
    return m_chart->plotArea();
}

void DaysOffShade::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const QRectF plot = m_chart->plotArea();
    const double width = plot.width() / m_daysOff.size();
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(DayOffTint);
    for (int day = 0; day < m_daysOff.size(); ++day)
        if (m_daysOff.at(day))
            painter->drawRect(QRectF(plot.left() + day * width, plot.top(), width, plot.height()));
    painter->restore();
}
