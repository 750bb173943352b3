#pragma once

// How a report is declared. A ReportLayout is plain data, filled in code:
//
//   ReportLayout layout;                                   // A4 portrait, 10 mm margins, Arial 10 pt
//   ReportGroup report;                                    // no break column: once-only header/footer
//   report.header = ReportBand(4.2, {ReportItem::label("Отчет", 0.3).bold()});
//   report.footer = ReportBand(5.8, {ReportItem::label("Итого:", 137.8),
//                                    ReportItem::sum("summa", 160.9, 28.0).centred().masked("#0.00")});
//   ReportGroup worker("fio");                             // breaks when fio differs from the last row's
//   worker.header = ReportBand(6.6, {ReportItem::field("fio", 0.3).bold()});
//   layout.groups = {report, worker};                      // outermost first
//   layout.detail = ReportBand(4.2, {ReportItem::field("kolvo", 137.8, 19.3).centred(),
//                                    ReportItem::expression([](const ReportRow& r) {...}, 13.2, 42.1)});
//   layout.pageFooter = ReportBand(4.2, {ReportItem::pageNumber(176.2)});
//   const ReportDocument pages = layoutReport(layout, rows);   // rows: a ReportRowSource
//
// Lengths are millimetres; an item's left edge counts from the left margin, its top from the
// band's top. A width of 0 sizes the item to its text. Font sizes are points (a form's font
// "height" of n pixels is n * 0.75 pt). A sum() item adds its column over the detail rows and
// starts again from 0 each time it is printed: in a group footer it is the group's total, in
// the once-only footer the report's. A group footer sees its group's last row, a header the
// group's first. Bands follow each other on paper in this order: title (first page only),
// column header (every page), group headers outermost first, detail, group footers innermost
// first, page footer (bottom of every page). A band's children print right after it.

#include <QColor>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

class ReportRow;

struct ReportFont {
    QString family;          // empty: the layout's default family
    double pointSize = 0;    // 0: the layout's default size
    bool bold = false;
};

struct ReportFrame {
    enum Side { None = 0, Left = 1, Top = 2, Right = 4, Bottom = 8, All = 15 };
    int sides = None;
    Qt::PenStyle style = Qt::SolidLine;   // Qt::DotLine for dotted
    QColor colour = Qt::black;
    double width = 0.2;                   // mm
};

struct ReportItem {
    enum Kind { Text, Field, Expression, Sum, PageNumber };
    using Evaluate = std::function<QVariant(const ReportRow&)>;

    Kind kind = Text;
    QString text;            // Text
    QString column;          // Field, Sum
    Evaluate evaluate;       // Expression; for Sum, the value added instead of the column's
    double left = 0;
    double width = 0;        // 0: sized to the text
    double top = 0;
    double height = 0;       // 0: down to the band's bottom
    Qt::Alignment alignment = Qt::AlignLeft;
    ReportFont font;
    QColor colour = Qt::black;
    QColor background;       // invalid: transparent
    ReportFrame frame;
    QString mask;            // "#0.00", "#0.000", "#0"; empty: the value as the database gives it

    static ReportItem label(const QString& text, double left, double width = 0);
    static ReportItem field(const QString& column, double left, double width = 0);
    static ReportItem expression(Evaluate evaluate, double left, double width = 0);
    static ReportItem sum(const QString& column, double left, double width = 0);
    static ReportItem pageNumber(double left, double width = 0);

    ReportItem& centred() { alignment = Qt::AlignHCenter; return *this; }
    ReportItem& rightAligned() { alignment = Qt::AlignRight; return *this; }
    ReportItem& bold() { font.bold = true; return *this; }
    ReportItem& withFont(const QString& family, double pointSize, bool isBold = false);
    ReportItem& masked(const QString& numberMask) { mask = numberMask; return *this; }
    ReportItem& filled(const QColor& ground) { background = ground; return *this; }
    ReportItem& framed(int sides, Qt::PenStyle style = Qt::SolidLine, const QColor& colour = Qt::black)
    {
        frame = {sides, style, colour};
        return *this;
    }
};

struct ReportBand {
    ReportBand() = default;
    explicit ReportBand(double heightMm, std::vector<ReportItem> bandItems = {})
        : height(heightMm), items(std::move(bandItems)) {}

    double height = 0;
    QColor background;       // invalid: none
    ReportFrame frame;
    std::vector<ReportItem> items;
    std::vector<ReportBand> children;   // printed right after this band

    ReportBand& filled(const QColor& ground) { background = ground; return *this; }
    ReportBand& framed(int sides, Qt::PenStyle style = Qt::SolidLine, const QColor& colour = Qt::black)
    {
        frame = {sides, style, colour};
        return *this;
    }
    double totalHeight() const;
};

struct ReportGroup {
    ReportGroup() = default;
    explicit ReportGroup(const QString& column) : breakColumn(column) {}

    QString breakColumn;     // empty: header once at the start, footer once at the end
    ReportBand header;
    ReportBand footer;
    bool linkedToFooter = false;   // the header starts a new page when it and the footer do not fit
};

struct ReportPageSetup {
    enum Zoom { FitWidth, WholePage };
    bool landscape = false;  // A4
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;
    ReportFont font{QStringLiteral("Arial"), 10, false};
    Zoom zoom = FitWidth;    // how the preview opens
};

struct ReportLayout {
    ReportPageSetup page;
    ReportBand title;
    ReportBand columnHeader;
    std::vector<ReportGroup> groups;   // outermost first
    ReportBand detail;
    ReportBand pageFooter;
};
