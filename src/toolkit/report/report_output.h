#pragma once

#include <QPainter>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QTemporaryFile;
class ReportDocument;

// Draws a document's pages onto a printer or into a PDF file a few at a time, so that a window
// can show how far it got and stop between pages. A PDF is written to a temporary file beside
// its place and put there only when complete: a full disk, a refused folder or a cancel leave
// no file behind (and an older file of the name as it was).
class ReportOutput {
public:
    ReportOutput(const ReportDocument& document, const QString& pdfPath);
    // Pages from..to, 1-based, 0 for all; the printer set up by ReportDocument::preparePrinter.
    ReportOutput(const ReportDocument& document, QPrinter& printer, int from = 0, int to = 0);
    ~ReportOutput();

    // Draws pages until `budgetMs` have passed; false when no page is left or drawing failed.
    bool drawSome(int budgetMs);
    int pagesDrawn() const { return m_next - m_first; }
    int pageCount() const { return m_last - m_first + 1; }
    // Ends the output; false when it failed (errorString() says why).
    bool finish();
    // Stops: nothing of a PDF stays, a print job is withdrawn.
    void cancel();
    QString errorString() const { return m_error; }

private:
    bool begin(QPagedPaintDevice& device);
    void fail(const QString& reason);

    const ReportDocument& m_document;
    QString m_path;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<QPdfWriter> m_pdf;
    QPrinter* m_printer = nullptr;
    QPagedPaintDevice* m_device = nullptr;
    QPainter m_painter;
    int m_first = 0, m_last = -1, m_next = 0;
    bool m_done = false;
    QString m_error;
};
