#include "toolkit/report/report_document.h"

#include "toolkit/report/report_output.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPrinter>

namespace {
qint32 micrometres(double mm) { return qint32(qRound64(mm * 1000)); }
double millimetres(qint32 um) { return um / 1000.0; }

template <class T>
qint64 vectorBytes(const QVector<T>& items) { return qint64(items.capacity()) * qint64(sizeof(T)); }
}

quint32 ReportPool::text(const QString& text)
{
    const auto known = m_textIndex.constFind(text);
    if (known != m_textIndex.constEnd())
        return *known;
    const auto index = quint32(m_texts.size());
    m_texts.append(text);
    m_textIndex.insert(m_texts.last(), index);
    return index;
}

quint8 ReportPool::colour(const QColor& colour)
{
    const QRgb rgba = colour.rgba();
    const qsizetype known = m_colours.indexOf(rgba);
    if (known >= 0)
        return quint8(known);
    Q_ASSERT(m_colours.size() < 256);   // a layout names a handful of colours
    m_colours.append(rgba);
    return quint8(m_colours.size() - 1);
}

void ReportPool::seal()
{
    m_textIndex = {};
    m_texts.squeeze();
}

qint64 ReportPool::heldBytes() const
{
    qint64 bytes = vectorBytes(m_texts) + vectorBytes(m_colours);
    for (const QString& text : m_texts)
        bytes += qint64(text.capacity() + 1) * 2 + 16;   // the string's own block
    // The lookup table of the layout pass: a node per text (key, value, hash) and its span entry.
    bytes += qint64(m_textIndex.size()) * (sizeof(QString) + 8 + 8);
    return bytes;
}

QRectF ReportPage::rect(const Box& box)
{
    return QRectF(millimetres(box.x), millimetres(box.y), millimetres(box.width), millimetres(box.height));
}

QVector<ReportFill> ReportPage::fills() const
{
    QVector<ReportFill> made;
    made.reserve(m_fills.size());
    for (const PackedFill& fill : m_fills)
        made.append({rect(fill.box), m_pool->colour(fill.colour)});
    return made;
}

QVector<ReportLine> ReportPage::lines() const
{
    QVector<ReportLine> made;
    made.reserve(m_lines.size());
    for (const PackedLine& line : m_lines)
        made.append({QLineF(millimetres(line.x1), millimetres(line.y1), millimetres(line.x2), millimetres(line.y2)),
                     m_pool->colour(line.colour), Qt::PenStyle(line.style), millimetres(line.width)});
    return made;
}

QVector<ReportText> ReportPage::texts() const
{
    QVector<ReportText> made;
    made.reserve(m_texts.size());
    for (const PackedText& text : m_texts)
        made.append({rect(text.box), m_pool->text(text.text), text.font, m_pool->colour(text.colour),
                     Qt::Alignment(text.alignment)});
    return made;
}

qint64 ReportPage::heldBytes() const
{
    return qint64(sizeof(ReportPage)) + vectorBytes(m_fills) + vectorBytes(m_lines) + vectorBytes(m_texts);
}

namespace {
ReportPage::Box boxOf(const QRectF& rect)
{
    return {micrometres(rect.x()), micrometres(rect.y()), micrometres(rect.width()), micrometres(rect.height())};
}
}

void ReportPageWriter::fill(const QRectF& rect, const QColor& colour)
{
    m_page.m_fills.append({boxOf(rect), m_pool.colour(colour)});
}

void ReportPageWriter::line(const QLineF& line, const QColor& colour, Qt::PenStyle style, double width)
{
    m_page.m_lines.append({micrometres(line.x1()), micrometres(line.y1()), micrometres(line.x2()), micrometres(line.y2()),
                           quint16(micrometres(width)), m_pool.colour(colour), quint8(style)});
}

void ReportPageWriter::text(const QRectF& rect, const QString& text, int font, const QColor& colour, Qt::Alignment alignment)
{
    m_page.m_texts.append({boxOf(rect), m_pool.text(text), quint16(font), m_pool.colour(colour), quint8(int(alignment))});
}

ReportDocument::ReportDocument() : m_pool(std::make_shared<ReportPool>()) {}

ReportPageWriter ReportDocument::appendPage()
{
    if (!pages.isEmpty())
        pages.last().m_texts.squeeze();   // a finished page keeps no spare room
    pages.append(ReportPage(m_pool));
    return ReportPageWriter(pages.last(), *m_pool);
}

qint64 ReportDocument::heldBytes() const
{
    qint64 bytes = qint64(pages.capacity()) * qint64(sizeof(ReportPage)) + m_pool->heldBytes();
    for (const ReportPage& page : pages)
        bytes += page.heldBytes() - qint64(sizeof(ReportPage));
    return bytes;
}

QSizeF ReportDocument::pageSize() const
{
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    return landscape ? a4.transposed() : a4;
}

void ReportDocument::paintPage(int n, QPainter& painter) const
{
    const ReportPage& page = pages.at(n);
    const qreal dpi = painter.device()->logicalDpiX();
    const qreal k = dpi / 25.4 / 1000;   // device dots per µm
    auto device = [k](const ReportPage::Box& b) { return QRectF(b.x * k, b.y * k, b.width * k, b.height * k); };

    painter.save();
    painter.setPen(Qt::NoPen);
    for (const ReportPage::PackedFill& fill : page.m_fills)
        painter.fillRect(device(fill.box), m_pool->colour(fill.colour));

    // A ruled form draws thousands of lines in one pen: each change of pen costs the PDF a new
    // graphics state, so the pen changes only with the line's look.
    qint64 pen = -1;
    for (const ReportPage::PackedLine& line : page.m_lines) {
        const qint64 look = line.colour | line.style << 8 | qint64(line.width) << 16;
        if (look != pen) {
            painter.setPen(QPen(m_pool->colour(line.colour), line.width * k, Qt::PenStyle(line.style), Qt::FlatCap));
            pen = look;
        }
        painter.drawLine(QLineF(line.x1 * k, line.y1 * k, line.x2 * k, line.y2 * k));
    }

    int font = -1;
    int colour = -1;
    for (const ReportPage::PackedText& text : page.m_texts) {
        if (text.font != font)
            painter.setFont(fonts.at(font = text.font));
        if (text.colour != colour)
            painter.setPen(m_pool->colour(quint8(colour = text.colour)));
        painter.drawText(device(text.box), int(text.alignment | Qt::AlignVCenter) | Qt::TextSingleLine, m_pool->text(text.text));
    }
    painter.restore();
}

void ReportDocument::preparePrinter(QPrinter& printer) const
{
    preparePages(printer);
    printer.setFullPage(true);
}

void ReportDocument::preparePages(QPagedPaintDevice& device) const
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

bool ReportDocument::print(QPrinter& printer, int from, int to) const
{
    ReportOutput output(*this, printer, from, to);
    while (output.drawSome(1000)) {
    }
    return output.finish();
}

bool ReportDocument::writePdf(const QString& path) const
{
    ReportOutput output(*this, path);
    while (output.drawSome(1000)) {
    }
    return output.finish();
}
