#pragma once

#include <QString>

// libxlsxwriter stores a number with 16 significant digits, so 8255.667 is read back as
// 8255.666999999999; spreadsheet programs keep 15. Rewrites the number values of a finished
// workbook's sheets with at most 15 significant digits. Answers the system's reason when the
// file could not be rewritten (it is then left as it was), else an empty text.
QString shortenSheetNumbers(const QString& path);

// A number as the workbook's sheets store it: at most 15 significant digits, a point as the
// separator whatever the locale.
QByteArray sheetNumberText(double value);
