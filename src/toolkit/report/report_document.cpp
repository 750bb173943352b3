#include "toolkit/report/report_document.h"

#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QtMath>

QSizeF ReportDocument::pageSize() const
{
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    return landscape ? a4.transposed() : a4;
}

void ReportDocument::paintPage(int n, QPainter& painter) const
{
    const ReportPage& page = pages.at(n);
    const qreal dpi = painter.device()->logicalDpiX();
    const qreal k = dpi / 25.4;
    auto device = [k](const QRectF& r) { return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k); };

    painter.save();
    painter.setPen(Qt::NoPen);
    for (const ReportFill& fill : page.fills)
        painter.fillRect(device(fill.rect), fill.colour);

    for (const ReportLine& line : page.lines) {
        QPen pen(line.colour, line.width * k, line.style, Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(QLineF(line.line.p1() * k, line.line.p2() * k));
    }

    int current = -1;
    for (const ReportText& text : page.texts) {
        if (text.font != current) {
            current = text.font;
            painter.setFont(fonts.at(current));
        }
        painter.setPen(text.colour);
        painter.drawText(device(text.rect), int(text.alignment | Qt::AlignVCenter) | Qt::TextSingleLine, text.text);
    }
    painter.restore();
}

void ReportDocument::preparePrinter(QPrinter& printer) const
{
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setFullPage(true);
}

bool ReportDocument::print(QPrinter& printer, int from, int to) const
{
    const int first = from > 0 ? from - 1 : 0;
    const int last = to > 0 ? qMin(to, int(pages.size())) - 1 : int(pages.size()) - 1;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (int n = first; n <= last; ++n) {
        if (n > first)
            printer.newPage();
        paintPage(n, painter);
    }
    return painter.end();
}

bool ReportDocument::writePdf(const QString& path) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    preparePrinter(printer);
    return print(printer);
}
