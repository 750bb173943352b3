#include "bench_support.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>

long statusKilobytes(const QByteArray& field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLong();
    return -1;
}

long peakKilobytes() { return statusKilobytes("VmHWM"); }

void writeBaseline(const ReportDocument& document, const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(1200);
    QPainter painter(&writer);
    const qreal k = 1200 / 25.4;
    for (int n = 0; n < document.pages.size(); ++n) {
        if (n > 0)
            writer.newPage();
        int font = -1;
        for (const ReportText& text : document.pages.at(n).texts()) {
            if (text.font != font)
                painter.setFont(document.fonts.at(font = text.font));
            const QRectF& r = text.rect;
            painter.drawText(QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k),
                             int(text.alignment | Qt::AlignVCenter) | Qt::TextSingleLine, text.text);
        }
    }
}
