#include "toolkit/report/report_engine.h"

#include "toolkit/font_substitution.h"
#include "toolkit/number_format.h"
#include "toolkit/report/report_text_fit.h"

#include <QHash>

namespace {

double numberOf(const QVariant& value)
{
    return value.isNull() ? 0.0 : value.toDouble();   // empty and non-numeric texts count as 0
}

bool isFloating(const QVariant& value)
{
    const int type = value.metaType().id();
    return type == QMetaType::Double || type == QMetaType::Float;
}

// Item fonts resolved once per layout pass, with the measures for sizing and fitting texts.
class FontTable {
public:
    FontTable(const ReportFont& fallback, QVector<QFont>& fonts) : m_fallback(fallback), m_fonts(fonts) {}

    int indexOf(const ReportItem& item)
    {
        auto known = m_items.constFind(&item);
        if (known != m_items.constEnd())
            return *known;
        QFont font(item.font.family.isEmpty() ? m_fallback.family : item.font.family);
        font.setPointSizeF(item.font.pointSize > 0 ? item.font.pointSize : m_fallback.pointSize);
        font.setBold(item.font.bold || m_fallback.bold);
        const int index = indexOf(font);
        m_items.insert(&item, index);
        return index;
    }

    int indexOf(const QFont& font)
    {
        int index = int(m_fonts.indexOf(font));
        if (index < 0) {
            index = int(m_fonts.size());
            m_fonts.append(font);
        }
        return index;
    }

    double textWidth(int font, const QString& text) { return m_fit.width(m_fonts.at(font), text); }

    // The font index and text that print `text` inside a box `width` mm wide.
    std::pair<int, QString> fit(int font, const QString& text, double width)
    {
        FittedText fitted = m_fit.fit(m_fonts.at(font), text, width, isNumberText(text));
        return {fitted.font == m_fonts.at(font) ? font : indexOf(fitted.font), std::move(fitted.text)};
    }

private:
    ReportFont m_fallback;
    QVector<QFont>& m_fonts;
    ReportTextFit m_fit;
    QHash<const ReportItem*, int> m_items;
};

class Layouter {
public:
    Layouter(const ReportLayout& layout, const ReportRowSource& rows)
        : m_layout(layout), m_rows(rows), m_fonts(layout.page.font, m_document.fonts)
    {
        m_document.landscape = layout.page.landscape;
        m_document.zoom = layout.page.zoom;
        const QSizeF sheet = m_document.pageSize();
        m_left = layout.page.marginLeft;
        m_width = sheet.width() - layout.page.marginLeft - layout.page.marginRight;
        m_footerTop = sheet.height() - layout.page.marginBottom - layout.pageFooter.totalHeight();
        for (const ReportGroup& group : layout.groups)
            m_breakColumns.append(group.breakColumn.isEmpty() ? -1 : rows.columnIndex(group.breakColumn));
        collectSums(layout.title);
        collectSums(layout.columnHeader);
        for (const ReportGroup& group : layout.groups) {
            collectSums(group.header);
            collectSums(group.footer);
        }
        collectSums(layout.detail);
        collectSums(layout.pageFooter);
    }

    ReportDocument run()
    {
        const int count = m_rows.rowCount();
        const int groups = int(m_layout.groups.size());
        startPage();
        for (int g = 0; g < groups; ++g)
            if (count > 0 || m_breakColumns.at(g) < 0)
                groupHeader(g, count > 0 ? 0 : -1);
        for (int row = 0; row < count; ++row) {
            if (row > 0) {
                const int changed = firstChangedGroup(row);
                for (int g = groups - 1; g >= changed; --g)
                    placeBand(m_layout.groups.at(g).footer, row - 1);
                for (int g = changed; g < groups; ++g)
                    groupHeader(g, row);
            }
            addToSums(row);
            placeBand(m_layout.detail, row);
        }
        for (int g = groups - 1; g >= 0; --g)
            if (count > 0 || m_breakColumns.at(g) < 0)
                placeBand(m_layout.groups.at(g).footer, count - 1);
        finishPage();
        return std::move(m_document);
    }

private:
    struct Sum {
        const ReportItem* item;
        int column;
        double total = 0;
    };

    void collectSums(const ReportBand& band)
    {
        for (const ReportItem& item : band.items)
            if (item.kind == ReportItem::Sum) {
                m_sumIndex.insert(&item, int(m_sums.size()));
                m_sums.push_back({&item, item.evaluate ? -1 : m_rows.columnIndex(item.column)});
            }
        for (const ReportBand& child : band.children)
            collectSums(child);
    }

    void addToSums(int row)
    {
        for (Sum& sum : m_sums)
            sum.total += numberOf(sum.item->evaluate ? sum.item->evaluate(ReportRow(m_rows, row))
                                                     : m_rows.value(row, sum.column));
    }

    // The outermost group whose key differs from the previous row's; the group count when none.
    int firstChangedGroup(int row) const
    {
        for (int g = 0; g < m_breakColumns.size(); ++g) {
            const int column = m_breakColumns.at(g);
            if (column >= 0 && m_rows.value(row, column) != m_rows.value(row - 1, column))
                return g;
        }
        return int(m_breakColumns.size());
    }

    void groupHeader(int g, int row)
    {
        const ReportGroup& group = m_layout.groups.at(g);
        const double needed = group.header.totalHeight() + (group.linkedToFooter ? group.footer.totalHeight() : 0);
        if (m_y + needed > m_footerTop + Tolerance && m_y > m_bodyTop)
            newPage();
        placeBand(group.header, row);
    }

    void startPage()
    {
        m_document.pages.append(ReportPage());
        m_y = m_layout.page.marginTop;
        if (m_document.pages.size() == 1)
            emitBand(m_layout.title, -1);
        emitBand(m_layout.columnHeader, -1);
        m_bodyTop = m_y;
    }

    void finishPage()
    {
        m_y = m_footerTop;
        emitBand(m_layout.pageFooter, -1);
    }

    void newPage()
    {
        finishPage();
        startPage();
    }

    // A band with its children, on a new page when it does not fit in the room left.
    void placeBand(const ReportBand& band, int row)
    {
        if (m_y + band.height > m_footerTop + Tolerance && m_y > m_bodyTop)
            newPage();
        paintBand(band, row);
        for (const ReportBand& child : band.children)
            placeBand(child, row);
    }

    void emitBand(const ReportBand& band, int row)
    {
        paintBand(band, row);
        for (const ReportBand& child : band.children)
            emitBand(child, row);
    }

    void paintBand(const ReportBand& band, int row)
    {
        ReportPage& page = m_document.pages.last();
        const QRectF area(m_left, m_y, m_width, band.height);
        if (band.background.isValid())
            page.fills.append({area, band.background});
        for (const ReportItem& item : band.items)
            paintItem(page, item, row, band.height);
        frame(page, area, band.frame);
        m_y += band.height;
    }

    void paintItem(ReportPage& page, const ReportItem& item, int row, double bandHeight)
    {
        const int font = m_fonts.indexOf(item);
        const QString text = itemText(item, row);
        const double width = item.width > 0 ? item.width : m_fonts.textWidth(font, text);
        const double height = item.height > 0 ? item.height : qMax(0.0, bandHeight - item.top);
        const QRectF box(m_left + item.left, m_y + item.top, width, height);
        if (item.background.isValid())
            page.fills.append({box, item.background});
        frame(page, box, item.frame);
        if (text.isEmpty())
            return;
        // A box of its own width is made to hold the text; a box sized to the text holds it already.
        const auto [shownFont, shown] = item.width > 0 ? m_fonts.fit(font, text, width) : std::pair{font, text};
        page.texts.append({box, shown, shownFont, item.colour, item.alignment});
    }

    QString itemText(const ReportItem& item, int row)
    {
        switch (item.kind) {
        case ReportItem::Text:
            return item.text;
        case ReportItem::Field:
            return row < 0 ? QString() : reportValueText(m_rows.value(row, m_rows.columnIndex(item.column)), item.mask);
        case ReportItem::Expression:
            return reportValueText(item.evaluate(ReportRow(m_rows, row)), item.mask);
        case ReportItem::Sum: {
            Sum& sum = m_sums[m_sumIndex.value(&item)];
            const double total = sum.total;
            sum.total = 0;   // restarts after each printing
            return reportValueText(total, item.mask);
        }
        case ReportItem::PageNumber:
            return QString::number(m_document.pages.size());
        }
        return {};
    }

    static void frame(ReportPage& page, const QRectF& box, const ReportFrame& frame)
    {
        auto side = [&](int which, QPointF from, QPointF to) {
            if (frame.sides & which)
                page.lines.append({QLineF(from, to), frame.colour, frame.style, frame.width});
        };
        side(ReportFrame::Top, box.topLeft(), box.topRight());
        side(ReportFrame::Bottom, box.bottomLeft(), box.bottomRight());
        side(ReportFrame::Left, box.topLeft(), box.bottomLeft());
        side(ReportFrame::Right, box.topRight(), box.bottomRight());
    }

    static constexpr double Tolerance = 1e-6;

    const ReportLayout& m_layout;
    const ReportRowSource& m_rows;
    ReportDocument m_document;
    FontTable m_fonts;
    QVector<int> m_breakColumns;
    std::vector<Sum> m_sums;
    QHash<const ReportItem*, int> m_sumIndex;
    double m_left = 0, m_width = 0, m_footerTop = 0;
    double m_y = 0, m_bodyTop = 0;
};

} // namespace

ReportDocument layoutReport(const ReportLayout& layout, const ReportRowSource& rows)
{
    substituteDesktopFonts();
    return Layouter(layout, rows).run();
}

QString reportValueText(const QVariant& value, const QString& mask)
{
    if (!mask.isEmpty())
        return formatNumber(numberOf(value), mask);
    if (isFloating(value))
        return displayNumber(value.toDouble());
    return value.toString();
}
