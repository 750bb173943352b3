#pragma once

#include "toolkit/report/report_layout.h"

#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QVector>

class QPainter;
class QPrinter;

// Finished pages: what to draw where, in millimetres from the sheet's top-left corner.
struct ReportText {
    QRectF rect;
    QString text;
    int font = 0;            // index into ReportDocument::fonts
    QColor colour;
    Qt::Alignment alignment;
};

struct ReportFill {
    QRectF rect;
    QColor colour;
};

struct ReportLine {
    QLineF line;
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
    double width = 0.2;
};

// Drawn in this order: fills, lines, texts.
struct ReportPage {
    QVector<ReportFill> fills;
    QVector<ReportLine> lines;
    QVector<ReportText> texts;
};

struct ReportDocument {
    bool landscape = false;
    ReportPageSetup::Zoom zoom = ReportPageSetup::FitWidth;
    QVector<QFont> fonts;
    QVector<ReportPage> pages;

    QSizeF pageSize() const;   // mm
    // Draws page n (0-based) with the painter's device taken as the whole sheet.
    void paintPage(int n, QPainter& painter) const;
    // Sets paper, orientation and a full-sheet coordinate system on the printer.
    void preparePrinter(QPrinter& printer) const;
    // Draws pages from..to (1-based, 0 for all) onto a printer set up by preparePrinter;
    // false when the printer cannot be opened.
    bool print(QPrinter& printer, int from = 0, int to = 0) const;
    // Writes every page to a PDF file with its fonts embedded; false when the file cannot be written.
    bool writePdf(const QString& path) const;
};
