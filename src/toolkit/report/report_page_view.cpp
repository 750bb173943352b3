#include "toolkit/report/report_page_view.h"

#include "toolkit/report/report_document.h"

#include <QPainter>
#include <QScrollBar>

namespace {
const int Margin = 12;   // pixels of grey around the sheet
}

ReportPageView::ReportPageView(QWidget* parent) : QAbstractScrollArea(parent)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

void ReportPageView::setDocument(const ReportDocument* document, int count)
{
    m_document = document;
    m_page = 0;
    setPageCount(count);
}

void ReportPageView::setPageCount(int count)
{
    m_count = count;
    if (m_page == 0 && count > 0)
        setCurrentPage(1);
    else if (m_page > count)
        setCurrentPage(count);
    updateScrollBars();
    viewport()->update();
}

void ReportPageView::setCurrentPage(int page)
{
    page = qBound(m_count > 0 ? 1 : 0, page, m_count);
    if (page == m_page)
        return;
    m_page = page;
    verticalScrollBar()->setValue(0);
    viewport()->update();
    emit currentPageChanged(page);
}

QPageLayout::Orientation ReportPageView::orientation() const
{
    return m_document && m_document->landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

void ReportPageView::fitToWidth() { setZoom(QPrintPreviewWidget::FitToWidth, 1); }

void ReportPageView::fitInView() { setZoom(QPrintPreviewWidget::FitInView, 1); }

void ReportPageView::zoomIn() { setZoom(QPrintPreviewWidget::CustomZoom, zoom() * 1.25); }

void ReportPageView::zoomOut() { setZoom(QPrintPreviewWidget::CustomZoom, zoom() / 1.25); }

void ReportPageView::setZoom(QPrintPreviewWidget::ZoomMode mode, double factor)
{
    m_mode = mode;
    m_factor = qBound(0.1, factor, 8.0);
    updateScrollBars();
    viewport()->update();
}

QSizeF ReportPageView::pageSizeAtZoom1() const
{
    const QSizeF mm = m_document ? m_document->pageSize() : QSizeF(210, 297);
    const double k = logicalDpiX() / 25.4;
    return mm * k;
}

double ReportPageView::zoom() const
{
    const QSizeF page = pageSizeAtZoom1();
    const QSizeF room = QSizeF(viewport()->size()) - QSizeF(2 * Margin, 2 * Margin);
    switch (m_mode) {
    case QPrintPreviewWidget::FitToWidth:
        return qMax(0.05, room.width() / page.width());
    case QPrintPreviewWidget::FitInView:
        return qMax(0.05, qMin(room.width() / page.width(), room.height() / page.height()));
    case QPrintPreviewWidget::CustomZoom:
        break;
    }
    return m_factor;
}

void ReportPageView::updateScrollBars()
{
    const QSizeF page = pageSizeAtZoom1() * zoom();
    const QSize room = viewport()->size();
    horizontalScrollBar()->setRange(0, qMax(0, int(page.width()) + 2 * Margin - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
    verticalScrollBar()->setRange(0, qMax(0, int(page.height()) + 2 * Margin - room.height()));
    verticalScrollBar()->setPageStep(room.height());
    verticalScrollBar()->setSingleStep(20);
}

void ReportPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ReportPageView::paintEvent(QPaintEvent*)
{
    if (!m_document || m_page < 1)
        return;
    const double k = zoom();
    const QSizeF page = pageSizeAtZoom1() * k;
    const double x = qMax(double(Margin), (viewport()->width() - page.width()) / 2) - horizontalScrollBar()->value();
    const double y = Margin - verticalScrollBar()->value();
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF sheet(x, y, page.width(), page.height());
    painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 60));
    painter.fillRect(sheet, Qt::white);
    painter.translate(x, y);
    painter.scale(k, k);
    m_document->paintPage(m_page - 1, painter);
}
