#pragma once

#include "toolkit/report/report_document.h"

#include <QStringList>

// What a reader of printed pages would find wrong, one line per fault, none when all is well: a
// text wider than its box, a cut number, a text shrunk below 6 pt, texts of one line touching.
QStringList pageFitFaults(const ReportDocument& document);

// The same read back from the document's PDF with pdftotext: every word lies inside the box of a
// text that holds it, and no two words of a line touch.
QStringList pdfFitFaults(const ReportDocument& document, const QString& pdf);

// Writes the document to `pdf` and answers the faults of both kinds.
QStringList printFitFaults(const ReportDocument& document, const QString& pdf);
