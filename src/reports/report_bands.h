#pragma once

#include "toolkit/report/report_layout.h"

// The look the four production reports share: A4 portrait, 10 mm margins, Arial 10 pt; a
// grey report header with the title line, a thin spacer after it, white detail cells, grey
// total boxes, a framed report footer and the page number at the foot of every page.
namespace ReportBands {

// The title line of the report header: bold, sized to its text; where column headings share its
// line, held in the room before the first of them (`right`, from the band's left edge).
ReportItem title(const QString& text, double left, double pointSize = 10, double right = 0);
// A column heading of the report header: bold Arial, white, sized to its text.
ReportItem heading(const QString& text, double left, double pointSize);
// The name a group header shows: bold Arial 10 pt at the left.
ReportItem groupName(const QString& column);

// Detail cells, MS Sans Serif of the given size on white.
ReportItem detailField(const QString& column, double left, double width, double pointSize, Qt::Alignment alignment);
// "Готовая продукция" for naimen 0, "Заготовки" else.
ReportItem detailProductKind(double left, double width, double pointSize);
// " (грунт)", " (RAL: N)" or a blank by the colour.
ReportItem detailColour(double left, double width, double pointSize);

// The total of a column since it was last printed: bold MS Sans Serif 9 pt in a group footer.
ReportItem groupTotal(const QString& column, double left, double width, const QString& mask = QString());
// "Итого:" and the report's totals: bold MS Sans Serif 11 pt.
ReportItem totalLabel(double left);
ReportItem reportTotal(const QString& column, double left, double width, const QString& mask = QString());

// The group without a break column: the report header (with the spacer after it) and footer.
ReportGroup reportGroup(double headerHeight, std::vector<ReportItem> header, double footerHeight, std::vector<ReportItem> footer);
// A group on a column whose header is filled with `background`.
ReportGroup columnGroup(const QString& column, double headerHeight, const QColor& background, bool linkedToFooter,
                        double footerHeight, std::vector<ReportItem> footer);

ReportLayout productionLayout(ReportGroup report, std::vector<ReportGroup> groups, std::vector<ReportItem> detail);

} // namespace ReportBands
