#pragma once

#include "overview/overview_figures.h"

#include <QColor>
#include <QGraphicsItem>
#include <QList>

class QChart;

// The three charts of the overview, built from its figures. A bar's index is the figure's
// index: a part of the period, a worker of the ranked list, a group.

// Hours per part of the period, one stacked bar set per shift (shiftName), in shift order; a
// month's days off shaded behind the bars.
QChart* hoursChart(const OverviewFigures& figures);
// At most `shown` workers, the largest first from the top; their ids in drawing order are the
// ranked list's first ones.
QChart* workersChart(const QVector<WorkerOutput>& ranked, OutputMeasure measure, int shown);
// Net pieces per product group, as bars or as a pie.
QChart* groupsChart(const QVector<GroupOutput>& groups, bool pie);

// The key to the hours chart: a colour per shift and the shading of days off as it shows over
// the white plot. Beside the chart rather than its legend, so that it takes one line.
struct ChartKey {
    QColor colour;
    QString text;
};
QList<ChartKey> hoursKey(bool daysOff);
// The key as a label's text: a coloured square before each name.
QString hoursKeyHtml(bool daysOff);

// How many workers the chart draws; the figures beside it list them all.
constexpr int WorkersDrawn = 15;

// The days off of a month as bands across the hours chart's plot. The band lies over the plot's
// background and under the grid and the bars, so a worked day off keeps its bars' colours; being
// part of the chart, it shows wherever the chart is drawn, on screen or on paper.
class DaysOffShade : public QGraphicsItem {
public:
    DaysOffShade(QChart* chart, const QVector<bool>& daysOff);
    const QVector<bool>& daysOff() const { return m_daysOff; }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    const QChart* m_chart;
    QVector<bool> m_daysOff;
};
