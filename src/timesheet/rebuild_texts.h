#pragma once

#include <QString>
#include <QTime>

// What the time-sheet window says about its rebuild.
// While other users hold the journal or the month's grid.
QString rebuildWaitingText();
// "Табель за ноябрь 2026 г. перестроен в 17:05:09"
QString rebuildDoneText(int month, int year, const QTime& at);
// Why the rebuild is off in a closed month.
QString closedMonthText();
// Why the marks are off in a closed month.
QString closedMonthMarksText();
