#pragma once

#include <QString>
#include <functional>

class Dataset;

// "Excel (k из N)": k lines written of the N the export has.
QString spreadsheetProgressCaption(int written, int total);

// Writes the shown rows of the open report spreadsheet query (XLS_Rep) into a new workbook,
// one line per row under a heading line, and hands it to the user. `progress` hears the lines
// written so far and the lines in all, first with none written. Answers false when no workbook
// could be opened; nothing is written then and `progress` is not called.
bool fillReportSpreadsheet(Dataset& rows, const std::function<void(int written, int total)>& progress);
