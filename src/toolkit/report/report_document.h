#pragma once

#include "toolkit/report/report_layout.h"

#include <QFont>
#include <QHash>
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QVector>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

// Finished pages: what to draw where, in millimetres from the sheet's top-left corner. A page
// keeps its items packed (positions in micrometres, texts and colours as numbers into the
// document's pool) because a year's report has over a million texts; these are the items as
// callers read them.
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

// The texts and colours of a document's pages, each distinct one stored once.
class ReportPool {
public:
    quint32 text(const QString& text);
    const QString& text(quint32 index) const { return m_texts.at(index); }
    quint8 colour(const QColor& colour);
    QColor colour(quint8 index) const { return QColor::fromRgba(m_colours.at(index)); }
    // Drops what only the layout pass needs to find texts again.
    void seal();
    qint64 heldBytes() const;

private:
    QVector<QString> m_texts;
    QHash<QString, quint32> m_textIndex;   // shares its keys with m_texts
    QVector<QRgb> m_colours;
};

class ReportPage {
public:
    explicit ReportPage(std::shared_ptr<const ReportPool> pool = {}) : m_pool(std::move(pool)) {}

    // Drawn in this order: fills, lines, texts.
    QVector<ReportFill> fills() const;
    QVector<ReportLine> lines() const;
    QVector<ReportText> texts() const;
    qint64 heldBytes() const;

    // The packed form the page keeps.
    struct Box {
        qint32 x, y, width, height;   // µm
    };
    struct PackedFill {
        Box box;
        quint8 colour;
    };
    struct PackedLine {
        qint32 x1, y1, x2, y2;   // µm
        quint16 width;           // µm
        quint8 colour;
        quint8 style;
    };
    struct PackedText {
        Box box;
        quint32 text;
        quint16 font;
        quint8 colour;
        quint8 alignment;
    };

private:
    friend class ReportDocument;
    friend class ReportPageWriter;
    static QRectF rect(const Box& box);

    std::shared_ptr<const ReportPool> m_pool;
    QVector<PackedFill> m_fills;
    QVector<PackedLine> m_lines;
    QVector<PackedText> m_texts;
};

// Adds items to the last page of a document; the layout pass writes through it.
class ReportPageWriter {
public:
    ReportPageWriter(ReportPage& page, ReportPool& pool) : m_page(page), m_pool(pool) {}
    void fill(const QRectF& rect, const QColor& colour);
    void line(const QLineF& line, const QColor& colour, Qt::PenStyle style, double width);
    void text(const QRectF& rect, const QString& text, int font, const QColor& colour, Qt::Alignment alignment);

private:
    ReportPage& m_page;
    ReportPool& m_pool;
};

class ReportDocument {
public:
    ReportDocument();

    bool landscape = false;
    ReportPageSetup::Zoom zoom = ReportPageSetup::FitWidth;
    QVector<QFont> fonts;
    QVector<ReportPage> pages;

    // A new empty page at the end, and the writer that fills it.
    ReportPageWriter appendPage();
    // Called when no more pages follow.
    void seal() { m_pool->seal(); }
    // What the page model holds, in bytes: the pages and the pool they share.
    qint64 heldBytes() const;

    QSizeF pageSize() const;   // mm
    // Draws page n (0-based) with the painter's device taken as the whole sheet.
    void paintPage(int n, QPainter& painter) const;
    // Sets paper, orientation and a full-sheet coordinate system on a printer or PDF writer.
    void preparePrinter(QPrinter& printer) const;
    void preparePages(QPagedPaintDevice& device) const;
    // Draws pages from..to (1-based, 0 for all) onto a printer set up by preparePrinter;
    // false when the printer cannot be opened.
    bool print(QPrinter& printer, int from = 0, int to = 0) const;
    // Writes every page to a PDF file with its fonts embedded; false when the file cannot be
    // written, and then no file is left.
    bool writePdf(const QString& path) const;

private:
    std::shared_ptr<ReportPool> m_pool;
};
