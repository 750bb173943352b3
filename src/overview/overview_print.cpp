#include "overview/overview_print.h"

#include "overview/overview_charts.h"
#include "overview/overview_tables.h"

#include <QChart>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QPdfWriter>

namespace {
// Millimetres on the sheet.
constexpr double SheetWidth = 297, SheetHeight = 210, Margin = 10;
constexpr double FooterTop = SheetHeight - Margin - 4;
constexpr double ColumnGap = 10;
constexpr double ColumnWidth = (SheetWidth - 2 * Margin - ColumnGap) / 2;
constexpr double CaptionHeight = 6, RowHeight = 4.8, TableGap = 6, CellPadding = 1.5;
// A table starts in a column only with its caption, header and this many lines below.
constexpr int FirstLines = 3;
// Scene pixels per millimetre: the charts lay out as on a screen of the usual density, so their
// fonts keep to the labels' room as in the window.
constexpr double ChartPixels = 96 / 25.4;

const QColor HeaderFill(235, 235, 235);
const QColor Rule(150, 150, 150);
const QColor DayOffText(200, 0, 0);

struct Titled {
    QString caption;
    FigureTable table;
};

// A part of a table in a column of a sheet: its lines from..to (exclusive).
struct Piece {
    int table = 0;
    int sheet = 0;   // 0 is the charts' sheet
    int column = 0;
    double top = 0;
    int from = 0, to = 0;
    bool continued = false;
};

// Tables flowed down the columns of the sheets after the first.
QVector<Piece> flow(const QVector<Titled>& tables)
{
    const double top = Margin, bottom = FooterTop - 2;
    const int fit = int((bottom - top - CaptionHeight - RowHeight) / RowHeight);
    QVector<Piece> pieces;
    int sheet = 1, column = 0;
    double y = top;
    auto nextColumn = [&] {
        if (++column == 2) {
            column = 0;
            ++sheet;
        }
        y = top;
    };
    for (int t = 0; t < tables.size(); ++t) {
        const int lines = tables.at(t).table.lines.size();
        int from = 0;
        while (from < lines) {
            const int room = int((bottom - y - CaptionHeight - RowHeight) / RowHeight);
            if (room < qMin(FirstLines, lines - from) && y > top) {
                nextColumn();
                continue;
            }
            const int to = qMin(lines, from + qMax(1, qMin(room, fit)));
            pieces.append({t, sheet, column, y, from, to, from > 0});
            y += CaptionHeight + RowHeight * (1 + to - from) + TableGap;
            from = to;
            if (from < lines)
                nextColumn();
        }
    }
    return pieces;
}

class SheetPainter {
public:
    explicit SheetPainter(QPdfWriter& pdf) : m_mm(pdf.resolution() / 25.4)
    {
        m_text.setPointSizeF(8);
        m_bold = m_text;
        m_bold.setBold(true);
        m_heading = m_bold;
        m_heading.setPointSizeF(12);
    }

    bool begin(QPdfWriter& pdf) { return m_painter.begin(&pdf); }
    bool end() { return m_painter.end(); }
    QRectF rect(double left, double top, double width, double height) const
    {
        return QRectF(left * m_mm, top * m_mm, width * m_mm, height * m_mm);
    }

    // The heading, the closed state and the key to the hours; the bottom of them.
    double heading(const OverviewSheet& sheet)
    {
        m_painter.setFont(m_heading);
        m_painter.setPen(Qt::black);
        QRectF drawn;
        m_painter.drawText(rect(Margin, Margin, 200, 7), Qt::AlignLeft | Qt::AlignVCenter, sheet.heading, &drawn);
        if (!sheet.state.isEmpty()) {
            m_painter.setPen(DayOffText);
            m_painter.drawText(QRectF(drawn.right() + 6 * m_mm, drawn.top(), 100 * m_mm, drawn.height()),
                               Qt::AlignLeft | Qt::AlignVCenter, sheet.state);
        }
        m_painter.setFont(m_text);
        double x = Margin;
        const double y = Margin + 8;
        for (const ChartKey& key : hoursKey(!sheet.figures.period.wholeYear())) {
            m_painter.fillRect(rect(x, y + 1, 3, 3), key.colour);
            m_painter.setPen(Qt::black);
            m_painter.drawText(rect(x + 4, y, 80, 5), Qt::AlignLeft | Qt::AlignVCenter, key.text, &drawn);
            x = drawn.right() / m_mm + 6;
        }
        return y + 6;
    }

    // Draws a chart into a box of the sheet as it lays out at screen density; takes the chart.
    void chart(QChart* chart, const QRectF& box)
    {
        QGraphicsScene scene;
        scene.addItem(chart);
        const QSizeF size = box.size() * ChartPixels;
        chart->resize(size);
        chart->layout()->activate();
        scene.render(&m_painter, rect(box.left(), box.top(), box.width(), box.height()), QRectF(QPointF(0, 0), size));
    }

    void table(const Titled& titled, const Piece& piece)
    {
        const FigureTable& table = titled.table;
        const QVector<double> widths = columnWidths(table);
        const double left = Margin + piece.column * (ColumnWidth + ColumnGap);
        double y = piece.top;
        m_painter.setFont(m_bold);
        m_painter.setPen(Qt::black);
        m_painter.drawText(rect(left, y, ColumnWidth, CaptionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                           piece.continued ? titled.caption + QStringLiteral(" (продолжение)") : titled.caption);
        y += CaptionHeight;
        double width = 0;
        for (double w : widths)
            width += w;
        m_painter.fillRect(rect(left, y, width, RowHeight), HeaderFill);
        line(table.titles, widths, left, y, m_bold, Qt::black, true);
        y += RowHeight;
        for (int row = piece.from; row < piece.to; ++row) {
            const bool total = row == table.lines.size() - 1;
            line(table.lines.at(row), widths, left, y, total ? m_bold : m_text, !total && table.red.value(row) ? DayOffText : Qt::black, false);
            y += RowHeight;
        }
        // The rules: round the header and each line, between the columns.
        m_painter.setPen(QPen(Rule, 0.15 * m_mm));
        const double top = piece.top + CaptionHeight;
        for (double rule = top; rule <= y + 0.01; rule += RowHeight)
            m_painter.drawLine(QLineF(left * m_mm, rule * m_mm, (left + width) * m_mm, rule * m_mm));
        double x = left;
        m_painter.drawLine(QLineF(x * m_mm, top * m_mm, x * m_mm, y * m_mm));
        for (double w : widths) {
            x += w;
            m_painter.drawLine(QLineF(x * m_mm, top * m_mm, x * m_mm, y * m_mm));
        }
    }

    void footer(int sheet, int sheets)
    {
        m_painter.setFont(m_text);
        m_painter.setPen(Qt::black);
        m_painter.drawText(rect(Margin, FooterTop, SheetWidth - 2 * Margin, 4), Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("Страница %1 из %2").arg(sheet).arg(sheets));
    }

private:
    // Each column as wide as its widest text; the first takes what is left of the sheet's
    // column when a name is longer, and is elided there.
    QVector<double> columnWidths(const FigureTable& table) const
    {
        const QFontMetricsF bold(m_bold, m_painter.device());
        QVector<double> widths(table.titles.size());
        for (int c = 0; c < widths.size(); ++c) {
            double w = bold.horizontalAdvance(table.titles.at(c));
            for (const QStringList& line : table.lines)
                w = qMax(w, bold.horizontalAdvance(line.value(c)));
            widths[c] = w / m_mm + 2 * CellPadding + 1;   // and a little for the glyphs' rounding
        }
        double others = 0;
        for (int c = 1; c < widths.size(); ++c)
            others += widths.at(c);
        widths[0] = qMin(qMax(widths.at(0), 30.0), ColumnWidth - others);
        return widths;
    }

    void line(const QStringList& texts, const QVector<double>& widths, double left, double top, const QFont& font,
              const QColor& colour, bool header)
    {
        m_painter.setFont(font);
        m_painter.setPen(colour);
        const QFontMetricsF metrics(font, m_painter.device());
        double x = left;
        for (int c = 0; c < widths.size(); ++c) {
            const QRectF cell = rect(x + CellPadding, top, widths.at(c) - 2 * CellPadding, RowHeight);
            const Qt::Alignment along = header ? Qt::AlignHCenter : c == 0 ? Qt::AlignLeft : Qt::AlignRight;
            // Only a name is elided: a figure is never cut.
            const QString text = c == 0 ? metrics.elidedText(texts.value(c), Qt::ElideRight, cell.width()) : texts.value(c);
            m_painter.drawText(cell, along | Qt::AlignVCenter | Qt::TextDontClip, text);
            x += widths.at(c);
        }
    }

    const double m_mm;   // device dots per millimetre
    QPainter m_painter;
    QFont m_text, m_bold, m_heading;
};
}

bool printOverview(const OverviewSheet& sheet, const QString& path)
{
    const OverviewFigures& figures = sheet.figures;
    QVector<Titled> tables;
    tables.append({figures.period.wholeYear() ? QStringLiteral("Часы по месяцам") : QStringLiteral("Часы по дням"), hoursTable(figures)});
    if (sheet.workers)
        tables.append({QStringLiteral("Выработка по рабочим"), workersTable(figures.workers)});
    tables.append({QStringLiteral("Штук по видам продукции"), groupsTable(figures.groups)});
    const QVector<Piece> pieces = flow(tables);
    const int sheets = pieces.isEmpty() ? 1 : pieces.constLast().sheet + 1;

    QPdfWriter pdf(path);
    pdf.setTitle(QFileInfo(path).completeBaseName());
    pdf.setCreator(QStringLiteral("Табель"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    SheetPainter out(pdf);
    if (!out.begin(pdf))
        return false;

    // The charts: the hours across the sheet, the workers and the groups side by side below.
    const double chartsTop = out.heading(sheet) + 1;
    const double width = SheetWidth - 2 * Margin;
    const double bottom = FooterTop - 2;
    const double split = chartsTop + (bottom - chartsTop) * 0.5;
    out.chart(hoursChart(figures), QRectF(Margin, chartsTop, width, split - chartsTop));
    const double lower = split + 3;
    if (sheet.workers) {
        out.chart(workersChart(figures.workers, sheet.measure, WorkersDrawn), QRectF(Margin, lower, width * 0.55, bottom - lower));
        out.chart(groupsChart(figures.groups, sheet.pie), QRectF(Margin + width * 0.58, lower, width * 0.42, bottom - lower));
    } else {
        out.chart(groupsChart(figures.groups, sheet.pie), QRectF(Margin, lower, width * 0.5, bottom - lower));
    }
    out.footer(1, sheets);

    for (int s = 1; s < sheets; ++s) {
        pdf.newPage();
        for (const Piece& piece : pieces)
            if (piece.sheet == s)
                out.table(tables.at(piece.table), piece);
        out.footer(s + 1, sheets);
    }
    return out.end();
}
