#include "timesheet/timesheet_printout.h"

#include "core/data_module.h"
#include "export/spreadsheet_writer.h"
#include "timesheet/day_colours.h"
#include "timesheet/month_names.h"
#include "timesheet/timesheet_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"

#include <QDate>
#include <QDir>

namespace {

// Left edges of the day columns 1..31, shared by the header numbers and the hours.
const double DayLeft[31] = {81.2,  87.8,  93.7,  100.0, 106.1, 112.4, 118.8, 125.4, 131.8, 137.6, 143.1,
                            148.7, 154.3, 159.8, 165.4, 170.9, 176.5, 182.0, 187.6, 193.1, 198.7, 204.3,
                            209.8, 215.4, 220.9, 226.5, 232.0, 237.6, 243.2, 248.7, 254.3};
const double DayWidth = 5.3;
const double TotalLeft = 264.6;
const QColor Separator = Qt::gray;
const int Sides = ReportFrame::Left | ReportFrame::Right;

QString dayColumn(int day) { return QStringLiteral("sd%1").arg(day); }

// The hours of a day. A day nobody worked reads as 0 in the grid (its cells start at 0) and prints
// as an empty field; so does a day the month lacks, as on screen.
ReportItem::Evaluate dayHours(int day, int daysInMonth)
{
    return [column = dayColumn(day), past = day > daysInMonth](const ReportRow& row) {
        const QVariant hours = row.value(column);
        return past || hours.toLongLong() == 0 ? QVariant() : hours;
    };
}

QVariant monthTotal(const ReportRow& row)
{
    qint64 total = 0;
    for (int day = 1; day <= 31; ++day)
        total += row.value(dayColumn(day)).toLongLong();   // empty counts as 0
    return total;
}

// Weekend days titled in red and the days the month lacks in silver, as in the window.
ReportBand columnHeader(const QString& heading, int month, int year)
{
    ReportBand band(6.6, {ReportItem::label(heading, 0).bold()});
    for (int day = 1; day <= 31; ++day) {
        ReportItem title = ReportItem::label(QString::number(day), DayLeft[day - 1], DayWidth)
                               .bold()
                               .centred()
                               .filled(Qt::white)
                               .framed(Sides, Qt::DotLine, Separator);
        if (const QColor colour = dayTitleColor(dayKind(day, month, year)); colour.isValid())
            title.colour = colour;
        band.items.push_back(title);
    }
    band.items.push_back(ReportItem::label(QStringLiteral("Итого"), TotalLeft).bold());
    band.framed(ReportFrame::Top | ReportFrame::Bottom);
    return band;
}

// A value in a day column: centred in the hours' font, the odd days with their side lines.
ReportItem dayItem(ReportItem item, int day)
{
    item.centred().withFont(QStringLiteral("Microsoft Sans Serif"), 12 * 0.75, item.font.bold);
    if (day % 2 == 1)   // the odd days' lines on both sides separate every column
        item.framed(Sides, Qt::DotLine, Separator);
    return item;
}

ReportBand detail(int daysInMonth)
{
    ReportBand band(6.35, {ReportItem::field(QStringLiteral("fio"), 0, 80.4)});
    for (int day = 1; day <= 31; ++day)
        band.items.push_back(dayItem(ReportItem::expression(dayHours(day, daysInMonth), DayLeft[day - 1], DayWidth), day));
    band.items.push_back(ReportItem::expression(monthTotal, TotalLeft, 10.3).centred().bold());
    band.framed(ReportFrame::Top | ReportFrame::Bottom, Qt::DotLine, Separator);
    return band;
}

// The last line: each day and the month summed over all workers; a day without hours stays empty.
ReportGroup allWorkers(int daysInMonth)
{
    ReportGroup group;
    ReportBand& band = group.footer = ReportBand(6.6, {ReportItem::label(QStringLiteral("Итого"), 0).bold()});
    for (int day = 1; day <= 31; ++day) {
        ReportItem hours = ReportItem::sum(QString(), DayLeft[day - 1], DayWidth).masked(QStringLiteral("#")).bold();
        hours.evaluate = dayHours(day, daysInMonth);
        band.items.push_back(dayItem(hours, day));
    }
    ReportItem total = ReportItem::sum(QString(), TotalLeft, 10.3).centred().bold().masked(QStringLiteral("#0"));
    total.evaluate = monthTotal;
    band.items.push_back(total);
    band.framed(ReportFrame::Top | ReportFrame::Bottom);
    return group;
}

} // namespace

QString timesheetPrintHeading(int month, int year)
{
    return monthHeading(month, year) + QStringLiteral(" г.");
}

ReportLayout timesheetPrintLayout(int month, int year)
{
    const int daysInMonth = QDate(year, month, 1).daysInMonth();
    ReportLayout layout;
    layout.page.landscape = true;
    layout.page.font = {QStringLiteral("Arial"), 13 * 0.75, false};
    layout.page.zoom = ReportPageSetup::WholePage;
    layout.columnHeader = columnHeader(timesheetPrintHeading(month, year), month, year);
    layout.groups = {allWorkers(daysInMonth)};
    layout.detail = detail(daysInMonth);
    layout.pageFooter = ReportBand(4.5, {ReportItem::pageNumber(252.7, 278.4 - 252.7).rightAligned()});
    return layout;
}

QString timesheetPdfPath(int month, int year)
{
    return QDir(workbookFolder()).filePath(QStringLiteral("Табель ") + monthHeading(month, year) + QStringLiteral(".pdf"));
}

void showTimesheetPrintout(int month, int year)
{
    Dataset H_Tabel(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("H_Tabel"));
    H_Tabel.setSql(monthTotalsStatement());
    setMonthParams(H_Tabel, month, year);
    std::unique_ptr<ReportRowReader> rows;
    {
        BusyCursor busy;
        rows = std::make_unique<DatasetReader>(H_Tabel);   // the month's statement runs here
    }
    ReportPreview::show(timesheetPrintLayout(month, year), std::move(rows),
                        QStringLiteral("Табель по времени"), timesheetPdfPath(month, year));
}
