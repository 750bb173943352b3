#pragma once

#include "toolkit/report/report_layout.h"

#include <QString>

// The printed monthly time sheet (TForm15): every worker of the month on one line, the hours of
// each day summed over all shifts, and the month total; a last line sums each day over all workers.

// The page heading: "Сентябрь 2023 г.".
QString timesheetPrintHeading(int month, int year);
// The report over rows of H_Tabel for the month, headed by its heading on every page.
ReportLayout timesheetPrintLayout(int month, int year);
// Where "Сохранить в PDF" suggests to keep the printout: "<workbook folder>/Табель Ноябрь 2026.pdf".
QString timesheetPdfPath(int month, int year);
// Reads the month, lays it out and shows the preview; returns when the preview closes.
void showTimesheetPrintout(int month, int year);
