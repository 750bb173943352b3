#include "toolkit/report/report_engine.h"

#include "toolkit/decimal.h"
#include "toolkit/font_substitution.h"
#include "toolkit/number_format.h"
#include "toolkit/report/report_text_fit.h"

#include <QHash>
#include <optional>

namespace {

using Values = QVector<QVariant>;

bool isFloating(const QVariant& value)
{
    const int type = value.metaType().id();
    return type == QMetaType::Double || type == QMetaType::Float;
}

// Item fonts resolved once per layout pass, with the measures for sizing and fitting texts.
class FontTable {
public:
    FontTable(const ReportFont& fallback, QVector<QFont>& fonts) : m_fallback(fallback), m_fonts(fonts) {}

    int indexOf(const ReportFont& wanted)
    {
        QFont font(wanted.family.isEmpty() ? m_fallback.family : wanted.family);
        font.setPointSizeF(wanted.pointSize > 0 ? wanted.pointSize : m_fallback.pointSize);
        font.setBold(wanted.bold || m_fallback.bold);
        return indexOf(font);
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

    // The font index and text that print `text` inside a box `width` mm wide, shrunk no
    // further than a reader can read; none when it does not fit so.
    std::optional<std::pair<int, QString>> shrink(int font, const QString& text, double width)
    {
        std::optional<FittedText> fitted = m_fit.shrink(m_fonts.at(font), text, width);
        if (!fitted)
            return std::nullopt;
        return indexed(font, std::move(*fitted));
    }

    // "###" for a number, a cut text else.
    std::pair<int, QString> giveUp(int font, const QString& text, double width)
    {
        return indexed(font, m_fit.giveUp(m_fonts.at(font), text, width, isNumberText(text)));
    }

private:
    std::pair<int, QString> indexed(int font, FittedText fitted)
    {
        return {fitted.font == m_fonts.at(font) ? font : indexOf(fitted.font), std::move(fitted.text)};
    }

    ReportFont m_fallback;
    QVector<QFont>& m_fonts;
    ReportTextFit m_fit;
};

// What an item needs on every row, worked out once.
struct ItemPlan {
    int font = 0;
    int column = -1;   // Field, Sum over a column
    int sum = -1;      // Sum: index into the running totals
    bool breaks = false;   // Field: the column some group breaks on
};

const QColor Paper = Qt::white;

} // namespace

class ReportBuilder::Layouter {
public:
    Layouter(const ReportLayout& layout, const QStringList& columns)
        : m_layout(layout), m_columns(columns), m_fonts(layout.page.font, m_document.fonts)
    {
        m_document.landscape = layout.page.landscape;
        m_document.zoom = layout.page.zoom;
        const QSizeF sheet = m_document.pageSize();
        m_left = layout.page.marginLeft;
        m_width = sheet.width() - layout.page.marginLeft - layout.page.marginRight;
        m_footerTop = sheet.height() - layout.page.marginBottom - m_layout.pageFooter.totalHeight();
        for (const ReportGroup& group : m_layout.groups)
            m_breakColumns.append(group.breakColumn.isEmpty() ? -1 : m_columns.indexOf(group.breakColumn));
        plan(m_layout.title);
        plan(m_layout.columnHeader);
        for (const ReportGroup& group : m_layout.groups) {
            plan(group.header);
            plan(group.footer);
        }
        plan(m_layout.detail);
        plan(m_layout.pageFooter);
        startPage();
    }

    // The group logic lives here: on a row whose key differs from the previous row's in some
    // group, that group and the ones inside it close (footers, innermost first, under the
    // previous row) and open again (headers, outermost first, over the new row).
    void addRow(const Values& row)
    {
        if (m_rowCount == 0) {
            openGroups(0, &row);
        } else {
            const int changed = firstChangedGroup(m_previous, row);
            closeGroups(changed, &m_previous);
            openGroups(changed, &row);
        }
        addToSums(row);
        placeBand(m_layout.detail, &row);
        m_previous = row;
        ++m_rowCount;
    }

    void finish()
    {
        if (m_rowCount > 0) {
            closeGroups(0, &m_previous);
        } else {   // without rows only the groups without a break column print, once
            for (int g = 0; g < groupCount(); ++g)
                if (m_breakColumns.at(g) < 0)
                    groupHeader(g, nullptr);
            for (int g = groupCount() - 1; g >= 0; --g)
                if (m_breakColumns.at(g) < 0)
                    placeBand(m_layout.groups.at(g).footer, nullptr);
        }
        finishPage();
        m_document.seal();
        m_finished = true;
    }

    bool m_finished = false;
    int m_rowCount = 0;
    ReportDocument m_document;

private:
    int groupCount() const { return int(m_layout.groups.size()); }

    // A header never ends a page: the headers that open here go to the next page together with
    // their first line when they do not fit with it.
    void openGroups(int from, const Values* row)
    {
        if (row)
            m_openRow = *row;
        double needed = m_layout.detail.totalHeight();
        for (int g = from; g < groupCount(); ++g)
            needed += m_layout.groups.at(g).header.totalHeight();
        if (row && m_y + needed > m_footerTop + Tolerance && m_y > m_bodyTop)
            newPage();
        for (int g = from; g < groupCount(); ++g) {
            groupHeader(g, row);
            m_openGroups = g + 1;
        }
    }

    void closeGroups(int from, const Values* row)
    {
        for (int g = groupCount() - 1; g >= from; --g) {
            placeBand(m_layout.groups.at(g).footer, row);
            m_openGroups = g;
        }
    }

    // On a page that a group runs on to, its name comes first again, marked as continued.
    void repeatOpenGroups()
    {
        m_continued = true;
        for (int g = 0; g < m_openGroups; ++g)
            if (m_breakColumns.at(g) >= 0)
                emitBand(m_layout.groups.at(g).header, &m_openRow);
        m_continued = false;
    }

    // The outermost group whose key differs between the two rows; the group count when none.
    int firstChangedGroup(const Values& previous, const Values& row) const
    {
        for (int g = 0; g < m_breakColumns.size(); ++g) {
            const int column = m_breakColumns.at(g);
            if (column >= 0 && row.value(column) != previous.value(column))
                return g;
        }
        return int(m_breakColumns.size());
    }

    void groupHeader(int g, const Values* row)
    {
        const ReportGroup& group = m_layout.groups.at(g);
        const double needed = group.header.totalHeight() + (group.linkedToFooter ? group.footer.totalHeight() : 0);
        if (m_y + needed > m_footerTop + Tolerance && m_y > m_bodyTop)
            newPage();
        placeBand(group.header, row);
    }

    struct Sum {
        const ReportItem* item;
        int column;
        Decimal total;
    };

    void plan(const ReportBand& band)
    {
        QVector<ItemPlan>& plans = m_plans[&band];
        for (const ReportItem& item : band.items) {
            ItemPlan made;
            made.font = m_fonts.indexOf(item.font);
            if (item.kind == ReportItem::Field || (item.kind == ReportItem::Sum && !item.evaluate))
                made.column = m_columns.indexOf(item.column);
            made.breaks = item.kind == ReportItem::Field && made.column >= 0 && m_breakColumns.contains(made.column);
            if (item.kind == ReportItem::Sum) {
                made.sum = int(m_sums.size());
                m_sums.push_back({&item, made.column});
            }
            plans.append(made);
        }
        for (const ReportBand& child : band.children)
            plan(child);
    }

    void addToSums(const Values& row)
    {
        for (Sum& sum : m_sums)
            sum.total += Decimal::fromVariant(sum.item->evaluate ? sum.item->evaluate(ReportRow(m_columns, &row)) : row.value(sum.column));
    }

    void startPage()
    {
        m_page.emplace(m_document.appendPage());
        m_y = m_layout.page.marginTop;
        if (m_document.pages.size() == 1)
            emitBand(m_layout.title, nullptr);
        emitBand(m_layout.columnHeader, nullptr);
        m_bodyTop = m_y;
    }

    void finishPage()
    {
        m_y = m_footerTop;
        emitBand(m_layout.pageFooter, nullptr);
    }

    void newPage()
    {
        finishPage();
        startPage();
        repeatOpenGroups();
    }

    // A band with its children, on a new page when it does not fit in the room left.
    void placeBand(const ReportBand& band, const Values* row)
    {
        if (m_y + band.height > m_footerTop + Tolerance && m_y > m_bodyTop)
            newPage();
        paintBand(band, row);
        for (const ReportBand& child : band.children)
            placeBand(child, row);
    }

    void emitBand(const ReportBand& band, const Values* row)
    {
        paintBand(band, row);
        for (const ReportBand& child : band.children)
            emitBand(child, row);
    }

    void paintBand(const ReportBand& band, const Values* row)
    {
        const QRectF area(m_left, m_y, m_width, band.height);
        if (band.background.isValid())
            m_page->fill(area, band.background);
        // A fill the ground under it already has is left out: a white cell on paper draws nothing.
        const QColor ground = band.background.isValid() ? band.background : Paper;
        const QVector<ItemPlan>& plans = m_plans.value(&band);
        // Every box of the band first: a text that must go beyond its box needs to know its neighbours'.
        m_placed.clear();
        for (std::size_t i = 0; i < band.items.size(); ++i) {
            const ReportItem& item = band.items[i];
            const ItemPlan& plan = plans.at(int(i));
            QString text = itemText(item, plan, row);
            const double width = item.width > 0 ? item.width : m_fonts.textWidth(plan.font, text);
            const double height = item.height > 0 ? item.height : qMax(0.0, band.height - item.top);
            m_placed.push_back({QRectF(m_left + item.left, m_y + item.top, width, height), std::move(text)});
        }
        for (std::size_t i = 0; i < band.items.size(); ++i)
            paintItem(band.items[i], plans.at(int(i)), i, ground);
        frame(area, band.frame);
        m_y += band.height;
    }

    void paintItem(const ReportItem& item, const ItemPlan& plan, std::size_t index, const QColor& ground)
    {
        const QRectF& box = m_placed[index].box;
        const QString& text = m_placed[index].text;
        if (item.background.isValid() && item.background != ground)
            m_page->fill(box, item.background);
        frame(box, item.frame);
        if (text.isEmpty())
            return;
        // A box sized to the text holds it already. A box of its own width shrinks the text to a
        // readable size at the least; beyond that the text takes the free room beside the box,
        // and what does not fit there either gives up whole ("###", "…") rather than touch a
        // neighbour or print too small to read.
        if (item.width <= 0) {
            m_page->text(box, text, plan.font, item.colour, item.alignment);
            return;
        }
        QRectF shownBox = box;
        std::optional<std::pair<int, QString>> shown = m_fonts.shrink(plan.font, text, box.width());
        if (!shown) {
            shownBox = widened(index, item.alignment);
            shown = m_fonts.shrink(plan.font, text, shownBox.width());
            if (!shown)
                shown = m_fonts.giveUp(plan.font, text, shownBox.width());
        }
        m_page->text(shownBox, shown->second, shown->first, item.colour, item.alignment);
    }

    // The box of item `index` grown into the free room beside it on its band, keeping its
    // alignment's anchor: up to half way to the nearest box at each side that shares its lines,
    // since that box's text may grow into the same room.
    QRectF widened(std::size_t index, Qt::Alignment alignment) const
    {
        const QRectF& box = m_placed[index].box;
        double left = m_left;
        double right = m_left + m_width;
        for (std::size_t j = 0; j < m_placed.size(); ++j) {
            const QRectF& other = m_placed[j].box;
            if (j == index || other.bottom() <= box.top() || other.top() >= box.bottom())
                continue;
            if (other.center().x() < box.center().x())
                left = qMax(left, (other.right() + box.left()) / 2);
            else
                right = qMin(right, (box.right() + other.left()) / 2);
        }
        left = qMin(left, box.left());
        right = qMax(right, box.right());
        if (alignment & Qt::AlignHCenter) {
            const double half = qMin(box.center().x() - left, right - box.center().x());
            return QRectF(box.center().x() - half, box.top(), 2 * half, box.height());
        }
        if (alignment & Qt::AlignRight)
            return QRectF(left, box.top(), box.right() - left, box.height());
        return QRectF(box.left(), box.top(), right - box.left(), box.height());
    }

    QString itemText(const ReportItem& item, const ItemPlan& plan, const Values* row)
    {
        switch (item.kind) {
        case ReportItem::Text:
            return item.text;
        case ReportItem::Field: {
            if (!row)
                return QString();
            const QString value = reportValueText(row->value(plan.column), item.mask);
            return m_continued && plan.breaks ? value + QStringLiteral(" (продолжение)") : value;
        }
        case ReportItem::Expression:
            return reportValueText(item.evaluate(ReportRow(m_columns, row)), item.mask);
        case ReportItem::Sum: {
            Sum& sum = m_sums[std::size_t(plan.sum)];
            const Decimal total = sum.total;
            sum.total = Decimal();   // restarts after each printing
            return item.mask.isEmpty() ? displayNumber(total) : formatNumber(total, item.mask);
        }
        case ReportItem::PageNumber:
            return QString::number(m_document.pages.size());
        }
        return {};
    }

    void frame(const QRectF& box, const ReportFrame& frame)
    {
        auto side = [&](int which, QPointF from, QPointF to) {
            if (frame.sides & which)
                m_page->line(QLineF(from, to), frame.colour, frame.style, frame.width);
        };
        side(ReportFrame::Top, box.topLeft(), box.topRight());
        side(ReportFrame::Bottom, box.bottomLeft(), box.bottomRight());
        side(ReportFrame::Left, box.topLeft(), box.bottomLeft());
        side(ReportFrame::Right, box.topRight(), box.bottomRight());
    }

    static constexpr double Tolerance = 1e-6;

    const ReportLayout m_layout;   // our own copy: the plans point into it
    ReportColumns m_columns;
    FontTable m_fonts;
    QHash<const ReportBand*, QVector<ItemPlan>> m_plans;
    QVector<int> m_breakColumns;
    std::vector<Sum> m_sums;
    std::optional<ReportPageWriter> m_page;
    struct Placed {
        QRectF box;
        QString text;
    };
    std::vector<Placed> m_placed;   // the items of the band being painted
    Values m_previous;
    Values m_openRow;        // a row of the groups now open
    int m_openGroups = 0;    // groups whose header is placed and footer not yet, outermost first
    bool m_continued = false;
    double m_left = 0, m_width = 0, m_footerTop = 0;
    double m_y = 0, m_bodyTop = 0;
};

ReportBuilder::ReportBuilder(const ReportLayout& layout, const QStringList& columns)
{
    substituteDesktopFonts();
    d = std::make_unique<Layouter>(layout, columns);
}

ReportBuilder::~ReportBuilder() = default;

void ReportBuilder::addRow(const QVector<QVariant>& row) { d->addRow(row); }

void ReportBuilder::finish()
{
    if (!d->m_finished)
        d->finish();
}

bool ReportBuilder::isFinished() const { return d->m_finished; }

int ReportBuilder::rowsLaidOut() const { return d->m_rowCount; }

int ReportBuilder::pagesReady() const
{
    const int pages = int(d->m_document.pages.size());
    return d->m_finished ? pages : pages - 1;
}

const ReportDocument& ReportBuilder::document() const { return d->m_document; }

ReportDocument ReportBuilder::takeDocument() { return std::move(d->m_document); }

ReportDocument layoutReport(const ReportLayout& layout, ReportRowReader& rows)
{
    ReportBuilder builder(layout, rows.columns());
    QVector<QVariant> row;
    while (rows.next(row))
        builder.addRow(row);
    builder.finish();
    return builder.takeDocument();
}

ReportDocument layoutReport(const ReportLayout& layout, const ReportRowSource& rows)
{
    SourceReader reader(rows);
    return layoutReport(layout, reader);
}

QString reportValueText(const QVariant& value, const QString& mask)
{
    if (!mask.isEmpty())
        return formatNumber(Decimal::fromVariant(value), mask);
    if (isFloating(value))
        return displayNumber(value.toDouble());
    return value.toString();
}
