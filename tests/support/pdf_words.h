#pragma once

#include <QList>
#include <QRectF>
#include <QString>

// A word of a PDF as pdftotext -bbox finds it, its box in millimetres from the sheet's top-left corner.
struct PdfWord {
    QRectF rect;
    QString text;
    int page = 0;   // 0-based
};

// The words of every page in reading order; fails the test when pdftotext cannot run.
QList<PdfWord> pdfWords(const QString& path);
