#pragma once

#include "overview/overview_statements.h"

#include <QString>

class QWidget;

// Where "Сохранить как…" proposes to keep the overview, as the printouts are kept:
// "<workbook folder>/Обзор месяца Март 2026.pdf", "<workbook folder>/Обзор года 2026.pdf".
QString overviewFileName(const OverviewPeriod& period);
// Writes `panel` as it is drawn: a PNG of its size when the path ends in ".png", else a PDF of
// one A4 landscape page with the panel scaled to fit. False when the file could not be written.
bool saveOverview(QWidget* panel, const QString& path);
