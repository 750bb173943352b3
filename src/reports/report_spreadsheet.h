#pragma once

#include <QString>
#include <functional>

class Dataset;
class QDate;

// "Excel (k из N)": k lines written of the N the export has.
QString spreadsheetProgressCaption(int written, int total);

// The workbook's name says its period as the dialog shows it: "Отчет с 01.11.2026 по 01.12.2026".
QString reportSpreadsheetTitle(const QDate& from, const QDate& to);

// Writes the shown rows of the open report spreadsheet query (XLS_Rep) into a new workbook,
// one line per row under a heading line, and hands it to the user. `progress` hears the lines
// written so far and the lines in all, first with none written; answering false stops the
// export, and the unfinished workbook is dropped with its file. Answers false when no workbook
// could be opened (`progress` is not called then) or the export was stopped. `title` names the file.
bool fillReportSpreadsheet(Dataset& rows, const QString& title, const std::function<bool(int written, int total)>& progress);
