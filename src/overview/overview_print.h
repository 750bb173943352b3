#pragma once

#include "overview/overview_figures.h"

#include <QString>

// What a printout of the overview shows: what the window shows.
struct OverviewSheet {
    QString heading;           // "Обзор месяца: Март 2026"
    QString state;             // "Месяц закрыт", "Закрыты: …" or none
    OverviewFigures figures;   // the workers ranked as their chart draws them
    OutputMeasure measure = OutputMeasure::Money;
    bool workers = true;       // the output per worker is the role's to see
    bool pie = false;          // product groups as a pie
};

// The overview on A4 landscape sheets: the heading, the key and the charts on the first; then
// every figure in full, the tables flowing down two columns a sheet with their header line
// again at the top of each column they go on in. Every sheet numbered. False when the file
// could not be written.
bool printOverview(const OverviewSheet& sheet, const QString& path);
