#include "toolkit/report/report_layout.h"

namespace {
ReportItem item(ReportItem::Kind kind, double left, double width)
{
    ReportItem made;
    made.kind = kind;
    made.left = left;
    made.width = width;
    return made;
}
}

ReportItem ReportItem::label(const QString& text, double left, double width)
{
    ReportItem made = item(Text, left, width);
    made.text = text;
    return made;
}

ReportItem ReportItem::field(const QString& column, double left, double width)
{
    ReportItem made = item(Field, left, width);
    made.column = column;
    return made;
}

ReportItem ReportItem::expression(Evaluate evaluate, double left, double width)
{
    ReportItem made = item(Expression, left, width);
    made.evaluate = std::move(evaluate);
    return made;
}

ReportItem ReportItem::sum(const QString& column, double left, double width)
{
    ReportItem made = item(Sum, left, width);
    made.column = column;
    return made;
}

ReportItem ReportItem::pageNumber(double left, double width) { return item(PageNumber, left, width); }

ReportItem& ReportItem::withFont(const QString& family, double pointSize, bool isBold)
{
    font = {family, pointSize, isBold};
    return *this;
}

double ReportBand::totalHeight() const
{
    double total = height;
    for (const ReportBand& child : children)
        total += child.totalHeight();
    return total;
}
