#pragma once

#include "overview/overview_figures.h"

#include <QList>
#include <QStringList>
#include <QVector>

// The exact figures beside a chart, as texts: the window's tables and the printout's show the
// same lines. The last line is the total.
struct FigureTable {
    QStringList titles;
    QList<QStringList> lines;
    QVector<bool> red;   // per line: a day off
};

// A line per part of the period (day or month) with its hours per shift and in all.
FigureTable hoursTable(const OverviewFigures& figures);
// A line per worker in the order given: money and net pieces.
FigureTable workersTable(const QVector<WorkerOutput>& workers);
// A line per product group: net pieces.
FigureTable groupsTable(const QVector<GroupOutput>& groups);
