#include "reports/report_bands.h"

#include "core/operation_names.h"
#include "reports/report_statements.h"
#include "toolkit/report/report_rows.h"

namespace ReportBands {

namespace {
const QString Arial = QStringLiteral("Arial");
const QString SansSerif = QStringLiteral("MS Sans Serif");
const QColor TotalGround(239, 239, 239);
const double DetailHeight = 4.2;
}

ReportItem title(const QString& text, double left, double pointSize, double right)
{
    return ReportItem::label(text, left, right > 0 ? right - left : 0).withFont(Arial, pointSize, true);
}

ReportItem heading(const QString& text, double left, double pointSize)
{
    return ReportItem::label(text, left).withFont(Arial, pointSize, true).filled(Qt::white);
}

ReportItem groupName(const QString& column)
{
    return ReportItem::field(column, 0.3).withFont(Arial, 10, true);
}

ReportItem detailField(const QString& column, double left, double width, double pointSize, Qt::Alignment alignment)
{
    ReportItem item = ReportItem::field(column, left, width).withFont(SansSerif, pointSize).filled(Qt::white);
    item.alignment = alignment;
    return item;
}

ReportItem detailProductKind(double left, double width, double pointSize)
{
    return ReportItem::expression([](const ReportRow& row) { return productKindName(row.value(QStringLiteral("naimen")).toInt()); },
                                  left, width)
        .withFont(SansSerif, pointSize)
        .filled(Qt::white);
}

ReportItem detailColour(double left, double width, double pointSize)
{
    return ReportItem::expression([](const ReportRow& row) { return printedColorText(row.value(QStringLiteral("color")).toInt()); },
                                  left, width)
        .withFont(SansSerif, pointSize)
        .filled(Qt::white);
}

ReportItem groupTotal(const QString& column, double left, double width, const QString& mask)
{
    return ReportItem::sum(column, left, width).centred().masked(mask).withFont(SansSerif, 9, true).filled(TotalGround);
}

ReportItem totalLabel(double left)
{
    return ReportItem::label(QStringLiteral("Итого:"), left).withFont(SansSerif, 11, true);
}

ReportItem reportTotal(const QString& column, double left, double width, const QString& mask)
{
    return ReportItem::sum(column, left, width).centred().masked(mask).withFont(SansSerif, 11, true).filled(TotalGround);
}

ReportGroup reportGroup(double headerHeight, std::vector<ReportItem> header, double footerHeight, std::vector<ReportItem> footer)
{
    ReportGroup report;
    report.header = ReportBand(headerHeight, std::move(header)).filled(QColor(244, 244, 244));
    report.header.children = {ReportBand(0.5)};
    report.footer = ReportBand(footerHeight, std::move(footer)).filled(QColor(220, 220, 220)).framed(ReportFrame::All);
    return report;
}

ReportGroup columnGroup(const QString& column, double headerHeight, const QColor& background, bool linkedToFooter,
                        double footerHeight, std::vector<ReportItem> footer)
{
    ReportGroup group(column);
    group.header = ReportBand(headerHeight, {groupName(column)}).filled(background);
    group.linkedToFooter = linkedToFooter;
    group.footer = ReportBand(footerHeight, std::move(footer));
    return group;
}

ReportLayout productionLayout(ReportGroup report, std::vector<ReportGroup> groups, std::vector<ReportItem> detail)
{
    ReportLayout layout;   // A4 portrait, 10 mm margins, Arial 10 pt
    layout.title = ReportBand(0);
    groups.insert(groups.begin(), std::move(report));
    layout.groups = std::move(groups);
    layout.detail = ReportBand(DetailHeight, std::move(detail));
    layout.pageFooter = ReportBand(4.2, {ReportItem::pageNumber(176.2).withFont(Arial, 9)});
    return layout;
}

} // namespace ReportBands
