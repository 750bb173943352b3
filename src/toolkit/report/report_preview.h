#pragma once

#include "toolkit/report/report_document.h"
#include "toolkit/report/report_page_view.h"
#include "toolkit/report/report_run.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QToolBar;
class ReportOutput;

// Shows pages in a maximised preview from which the user pages, zooms, prints through the
// system print dialog or saves a PDF. Tests replace the presenter to take the pages.
namespace ReportPreview {
// Both return when the user closes the preview; meanwhile the caller waits in the preview's
// own event loop and the rest of the program stays usable. A caption whose preview is still
// open shows nothing new. `pdfPath` is the file "Сохранить в PDF" suggests.
void show(const ReportDocument& document, const QString& caption, const QString& pdfPath = {});
// Lays the rows out while the preview is open: the first page shows as soon as it is ready,
// the count grows as the rest arrive.
void show(const ReportLayout& layout, std::unique_ptr<ReportRowReader> rows, const QString& caption, const QString& pdfPath = {});
bool isOpen(const QString& caption);
using Presenter = std::function<void(const ReportDocument&, const QString& caption)>;
void setPresenter(Presenter presenter);   // empty restores the window
}

class ReportPreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    ReportPreviewWindow(const ReportDocument& document, const QString& caption, const QString& pdfPath = {}, QWidget* parent = nullptr);
    ReportPreviewWindow(std::unique_ptr<ReportRun> run, const QString& caption, const QString& pdfPath = {}, QWidget* parent = nullptr);
    ~ReportPreviewWindow() override;

    ReportPageView* pages() const { return m_view; }
    const ReportDocument& document() const;
    bool isLayingOut() const { return m_run && !m_run->isFinished(); }
    // The progress line under the pages, empty when no long work runs.
    QString progressText() const;
    // Where the rows came from, at the status line's right end ("данные на 14:03:27" for a
    // standby's); nothing shows for an empty note.
    void setSourceNote(const QString& note);
    QString sourceNote() const;

    void savePdf();
    void printPages();
    // "Отмена": stops the layout (and closes the preview) or the output under way.
    void cancel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build(const QString& caption);
    void buildToolBar();
    void showLayoutProgress();
    void setZoom();   // as the document asks to open
    void layoutFinished();
    void showPageNumber(int page);
    void setProgress(const QString& text, int value, int maximum);
    // Draws the output a slice at a time with progress; false when it failed or was cancelled.
    bool runOutput(ReportOutput& output);
    // The file "Сохранить в PDF" and printing to a file propose.
    QString suggestedPdfPath() const;
    QString askPdfPath();

    std::optional<ReportDocument> m_document;   // a document laid out before the preview
    std::unique_ptr<ReportRun> m_run;           // or one being laid out while it shows
    QString m_pdfPath;
    ReportPageView* m_view;
    QToolBar* m_bar = nullptr;
    QSpinBox* m_page = nullptr;
    QLabel* m_pageCount = nullptr;
    QAction* m_print = nullptr;
    QAction* m_save = nullptr;
    QLabel* m_progressText;
    QLabel* m_sourceNote;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    bool m_outputRunning = false;
    bool m_outputCancelled = false;
    bool m_closeAfterOutput = false;
};
