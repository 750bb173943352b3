#pragma once

#include "overview/overview_figures.h"

#include <QChartView>

class QChart;

// The three charts of the overview, built from its figures. A bar's index is the figure's
// index: a part of the period, a worker of the ranked list, a group.

// Hours per part of the period, one stacked bar set per shift (shiftName), in shift order.
QChart* hoursChart(const OverviewFigures& figures);
// At most `shown` workers, the largest first from the top; their ids in drawing order are the
// ranked list's first ones.
QChart* workersChart(const QVector<WorkerOutput>& ranked, OutputMeasure measure, int shown);
// Net pieces per product group, as bars or as a pie.
QChart* groupsChart(const QVector<GroupOutput>& groups, bool pie);

// The key to the hours chart, for a label beside it: a coloured square per shift and the
// shading of days off. A label, not the chart's legend, so that it prints as it shows.
QString hoursKeyHtml(bool daysOff);

// How many workers the chart draws; the figures beside it list them all.
constexpr int WorkersDrawn = 15;

// A chart of the hours whose days off are shaded across the plot.
class HoursChartView : public QChartView {
    Q_OBJECT
public:
    explicit HoursChartView(QWidget* parent = nullptr);
    void setDaysOff(const QVector<bool>& daysOff);
    const QVector<bool>& daysOff() const { return m_daysOff; }

protected:
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    QVector<bool> m_daysOff;
};
