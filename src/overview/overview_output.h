#pragma once

#include "overview/overview_print.h"
#include "overview/overview_statements.h"

#include <QString>

class QWidget;

// Where "Сохранить как…" proposes to keep the overview, as the printouts are kept:
// "<workbook folder>/Обзор месяца Март 2026.pdf", "<workbook folder>/Обзор года 2026.pdf".
QString overviewFileName(const OverviewPeriod& period);
// A PNG of `panel` as it is drawn when the path ends in ".png"; else the printout of `sheet`,
// a PDF. False when the file could not be written.
bool saveOverview(QWidget* panel, const OverviewSheet& sheet, const QString& path);
