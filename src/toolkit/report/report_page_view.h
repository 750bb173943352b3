#pragma once

#include <QAbstractScrollArea>
#include <QPageLayout>
#include <QPrintPreviewWidget>

class ReportDocument;

// One page of a document at a time, drawn from the page model whenever it shows: nothing is
// kept per page, so a document of thousands of pages costs the view nothing, and pages can be
// turned while more are still being laid out.
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ReportPageView(QWidget* parent = nullptr);

    // The pages shown: the first `count` pages of `document`, which may grow later.
    void setDocument(const ReportDocument* document, int count);
    void setPageCount(int count);
    int pageCount() const { return m_count; }
    int currentPage() const { return m_page; }   // 1-based; 0 while there is no page
    void setCurrentPage(int page);

    QPrintPreviewWidget::ZoomMode zoomMode() const { return m_mode; }
    QPageLayout::Orientation orientation() const;
    void fitToWidth();
    void fitInView();
    void zoomIn();
    void zoomOut();

signals:
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSizeF pageSizeAtZoom1() const;   // pixels
    double zoom() const;
    void setZoom(QPrintPreviewWidget::ZoomMode mode, double factor);
    void updateScrollBars();

    const ReportDocument* m_document = nullptr;
    int m_count = 0;
    int m_page = 0;
    QPrintPreviewWidget::ZoomMode m_mode = QPrintPreviewWidget::FitToWidth;
    double m_factor = 1;
};
