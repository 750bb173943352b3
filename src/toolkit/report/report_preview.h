#pragma once

#include "toolkit/report/report_document.h"

#include <QMainWindow>
#include <QPrinter>
#include <functional>

class QPrintPreviewWidget;
class QSpinBox;

// Shows finished pages in a maximised preview from which the user pages, zooms, prints
// through the system print dialog or saves a PDF. Tests replace the presenter to take the pages.
namespace ReportPreview {
// Returns when the user closes the preview; meanwhile the caller waits in the preview's own
// event loop and the rest of the program stays usable. A caption whose preview is still open
// shows nothing new.
void show(const ReportDocument& document, const QString& caption);
bool isOpen(const QString& caption);
using Presenter = std::function<void(const ReportDocument&, const QString& caption)>;
void setPresenter(Presenter presenter);   // empty restores the window
}

class ReportPreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    ReportPreviewWindow(const ReportDocument& document, const QString& caption, QWidget* parent = nullptr);

    QPrintPreviewWidget* pages() const { return m_preview; }

private:
    void buildToolBar();
    void showPageNumber();
    void printPages();
    void savePdf();

    ReportDocument m_document;
    QPrinter m_screen;   // the page geometry the preview draws on
    QPrintPreviewWidget* m_preview;
    QSpinBox* m_page;
};
