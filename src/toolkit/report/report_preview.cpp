#include "toolkit/report/report_preview.h"

#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"
#include "toolkit/report/report_output.h"
#include "toolkit/report/report_page_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
ReportPreview::Presenter& presenter()
{
    static ReportPreview::Presenter instance;
    return instance;
}

QSet<QString>& openCaptions()
{
    static QSet<QString> instance;
    return instance;
}

// A report's pages are many small blocks; once they are freed the C library keeps them for
// reuse unless asked to give the pages back to the system.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Marks a caption open for the lifetime of the object.
struct OpenCaption {
    explicit OpenCaption(const QString& shown) : caption(shown) { openCaptions().insert(caption); }
    ~OpenCaption() { openCaptions().remove(caption); }
    QString caption;
};

void showWindow(ReportPreviewWindow* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Opened from modal windows: a window that is not modal itself would take no input at all.
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    // Without a window manager "maximised" means nothing, so the window takes the screen itself.
    window->setGeometry(window->screen()->availableGeometry());
    window->showMaximized();
    loop.exec();
    releaseFreedMemory();
}
}

void ReportPreview::show(const ReportDocument& document, const QString& caption, const QString& pdfPath)
{
    if (isOpen(caption))
        return;
    const OpenCaption open(caption);
    if (presenter()) {
        presenter()(document, caption);
        return;
    }
    showWindow(new ReportPreviewWindow(document, caption, pdfPath));
}

void ReportPreview::show(const ReportLayout& layout, std::unique_ptr<ReportRowReader> rows, const QString& caption, const QString& pdfPath)
{
    if (isOpen(caption))
        return;
    const OpenCaption open(caption);
    const QString note = rows->sourceNote();
    auto run = std::make_unique<ReportRun>(layout, std::move(rows));
    if (presenter()) {
        run->runToEnd();
        presenter()(run->document(), caption);
        return;
    }
    auto* window = new ReportPreviewWindow(std::move(run), caption, pdfPath);
    window->setSourceNote(note);
    showWindow(window);
}

bool ReportPreview::isOpen(const QString& caption) { return openCaptions().contains(caption); }

void ReportPreview::setPresenter(Presenter p) { presenter() = std::move(p); }

ReportPreviewWindow::ReportPreviewWindow(const ReportDocument& document, const QString& caption, const QString& pdfPath, QWidget* parent)
    : QMainWindow(parent), m_document(document), m_pdfPath(pdfPath)
{
    build(caption);
    m_view->setDocument(&*m_document, int(m_document->pages.size()));
    setZoom();
    layoutFinished();
}

ReportPreviewWindow::ReportPreviewWindow(std::unique_ptr<ReportRun> run, const QString& caption, const QString& pdfPath, QWidget* parent)
    : QMainWindow(parent), m_run(std::move(run)), m_pdfPath(pdfPath)
{
    m_run->layOut(ReportRun::SliceMs);   // a short report is whole, a long one has its first page
    build(caption);
    m_view->setDocument(&m_run->document(), m_run->pagesReady());
    setZoom();
    connect(m_run.get(), &ReportRun::progressed, this, &ReportPreviewWindow::showLayoutProgress);
    connect(m_run.get(), &ReportRun::finished, this, &ReportPreviewWindow::layoutFinished);
    connect(m_run.get(), &ReportRun::failed, this, &QWidget::close);
    if (m_run->isFinished()) {
        layoutFinished();
    } else {
        m_print->setEnabled(false);   // printing and saving wait for the last page
        m_save->setEnabled(false);
        showLayoutProgress();
        m_run->start();
    }
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

const ReportDocument& ReportPreviewWindow::document() const { return m_run ? m_run->document() : *m_document; }

void ReportPreviewWindow::build(const QString& caption)
{
    setWindowTitle(caption);
    m_view = new ReportPageView(this);
    setCentralWidget(m_view);
    m_view->setDocument(nullptr, 0);
    buildToolBar();
    m_progressText = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(300);
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    connect(m_cancel, &QPushButton::clicked, this, [this] { guarded([this] { cancel(); }); });
    statusBar()->addWidget(m_progressText);
    statusBar()->addWidget(m_progress);
    statusBar()->addWidget(m_cancel);
    m_sourceNote = new QLabel(this);
    m_sourceNote->setObjectName(QStringLiteral("sourceNote"));
    m_sourceNote->hide();
    statusBar()->addPermanentWidget(m_sourceNote);
    connect(m_view, &ReportPageView::currentPageChanged, this, &ReportPreviewWindow::showPageNumber);
}

void ReportPreviewWindow::buildToolBar()
{
    m_bar = addToolBar(QString());
    m_bar->setMovable(false);
    m_bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this](const QString& text, const QKeySequence& key, auto slot) {
        QAction* action = m_bar->addAction(text);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [slot] { guarded(slot); });
        return action;
    };
    add(QStringLiteral("|<"), QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { m_page->setValue(m_page->minimum()); });
    add(QStringLiteral("<"), QKeySequence(Qt::Key_PageUp), [this] { m_page->stepDown(); });
    m_page = new QSpinBox(m_bar);
    m_page->setMinimum(1);
    m_page->setMaximum(1);
    m_bar->addWidget(m_page);
    m_pageCount = new QLabel(m_bar);
    m_bar->addWidget(m_pageCount);
    connect(m_page, &QSpinBox::valueChanged, m_view, &ReportPageView::setCurrentPage);
    add(QStringLiteral(">"), QKeySequence(Qt::Key_PageDown), [this] { m_page->stepUp(); });
    add(QStringLiteral(">|"), QKeySequence(Qt::CTRL | Qt::Key_End), [this] { m_page->setValue(m_page->maximum()); });
    m_bar->addSeparator();
    add(QStringLiteral("−"), QKeySequence::ZoomOut, [this] { m_view->zoomOut(); });
    add(QStringLiteral("+"), QKeySequence::ZoomIn, [this] { m_view->zoomIn(); });
    add(QStringLiteral("По ширине"), QKeySequence(), [this] { m_view->fitToWidth(); });
    add(QStringLiteral("Страница целиком"), QKeySequence(), [this] { m_view->fitInView(); });
    m_bar->addSeparator();
    m_print = add(QStringLiteral("Печать"), QKeySequence::Print, [this] { printPages(); });
    m_save = add(QStringLiteral("Сохранить в PDF"), QKeySequence::Save, [this] { savePdf(); });
    m_bar->addSeparator();
    add(QStringLiteral("Закрыть"), QKeySequence(Qt::Key_Escape), [this] { close(); });
}

void ReportPreviewWindow::showLayoutProgress()
{
    const int ready = m_run->pagesReady();
    const int expected = m_run->expectedPages();
    m_view->setPageCount(ready);
    m_page->setMaximum(qMax(1, ready));
    m_pageCount->setText(QStringLiteral(" из %1… ").arg(ready));
    const QString text = expected > 0 ? QStringLiteral("Страница %1 из ~%2").arg(ready + 1).arg(expected)
                                      : QStringLiteral("Страница %1").arg(ready + 1);
    setProgress(text, ready, qMax(expected, ready + 1));
}

void ReportPreviewWindow::setZoom()
{
    if (document().zoom == ReportPageSetup::WholePage)
        m_view->fitInView();
    else
        m_view->fitToWidth();
}

void ReportPreviewWindow::layoutFinished()
{
    const int count = int(document().pages.size());
    m_view->setPageCount(count);
    m_page->setMaximum(qMax(1, count));
    m_pageCount->setText(QStringLiteral(" из %1 ").arg(count));
    m_print->setEnabled(true);
    m_save->setEnabled(true);
    setProgress({}, 0, 0);
}

void ReportPreviewWindow::setProgress(const QString& text, int value, int maximum)
{
    const bool running = !text.isEmpty();
    m_progressText->setText(text);
    m_progressText->setVisible(running);
    m_progress->setVisible(running);
    m_cancel->setVisible(running);
    if (running) {
        m_progress->setMaximum(maximum);
        m_progress->setValue(value);
    }
}

QString ReportPreviewWindow::progressText() const { return m_progressText->isVisible() ? m_progressText->text() : QString(); }

void ReportPreviewWindow::setSourceNote(const QString& note)
{
    m_sourceNote->setText(note);
    m_sourceNote->setVisible(!note.isEmpty());
}

QString ReportPreviewWindow::sourceNote() const { return m_sourceNote->text(); }

void ReportPreviewWindow::showPageNumber(int page)
{
    const QSignalBlocker quiet(m_page);
    m_page->setValue(page);
}

void ReportPreviewWindow::cancel()
{
    if (m_outputRunning) {
        m_outputCancelled = true;
        return;
    }
    if (isLayingOut()) {
        m_run->cancel();
        close();
    }
}

void ReportPreviewWindow::closeEvent(QCloseEvent* event)
{
    if (m_outputRunning) {   // the output's loop is still on the stack: stop it, close after
        m_outputCancelled = true;
        m_closeAfterOutput = true;
        event->ignore();
        return;
    }
    if (m_run)
        m_run->cancel();
    QMainWindow::closeEvent(event);
}

bool ReportPreviewWindow::runOutput(ReportOutput& output)
{
    m_outputRunning = true;
    m_outputCancelled = false;
    m_bar->setEnabled(false);
    const int count = output.pageCount();
    bool more = true;
    while (more && !m_outputCancelled) {
        more = output.drawSome(ReportRun::SliceMs);
        setProgress(QStringLiteral("Страница %1 из %2").arg(output.pagesDrawn()).arg(count), output.pagesDrawn(), count);
        QCoreApplication::processEvents(QEventLoop::AllEvents, ReportRun::SliceMs / 2);
    }
    bool done = false;
    if (m_outputCancelled)
        output.cancel();
    else
        done = output.finish();
    setProgress({}, 0, 0);
    m_bar->setEnabled(true);
    m_outputRunning = false;
    if (m_closeAfterOutput)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return done;
}

void ReportPreviewWindow::printPages()
{
    QPrinter printer(QPrinter::HighResolution);
    document().preparePrinter(printer);
    const QString suggested = suggestedPdfPath();
    printer.setDocName(QFileInfo(suggested).completeBaseName());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, int(document().pages.size()));
    // Printing to a file proposes the file "Сохранить в PDF" does, not print.pdf in the home
    // folder; the printer itself stays the one chosen.
    if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"))) {
        QDir().mkpath(QFileInfo(suggested).absolutePath());
        file->setText(QDir::toNativeSeparators(suggested));
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    ReportOutput output(document(), printer, printer.fromPage(), printer.toPage());
    if (!runOutput(output) && !m_outputCancelled)
        MessageBox::stop(QStringLiteral("Не удалось напечатать отчет"), QStringLiteral("Ошибка"));
}

namespace {
void showFileColumnsWhole(QFileDialog& dialog)
{
    // Room for a long report name beside its size and date; the size and the date columns as
    // wide as their texts, not cut to "30,…KiB".
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(dialog.sizeHint().expandedTo(QSize(960, 560)));
    if (auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = files->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}
} // namespace

QString ReportPreviewWindow::suggestedPdfPath() const
{
    return m_pdfPath.isEmpty() ? windowTitle().trimmed() + QStringLiteral(".pdf") : m_pdfPath;
}

QString ReportPreviewWindow::askPdfPath()
{
    const QString suggested = suggestedPdfPath();
    QDir().mkpath(QFileInfo(suggested).absolutePath());
    QFileDialog dialog(this, QStringLiteral("Сохранить в PDF"), QFileInfo(suggested).absolutePath(), QStringLiteral("PDF (*.pdf)"));
    dialog.setObjectName(QStringLiteral("savePdfDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    // Our own question, in Russian, about a file of the name.
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    dialog.selectFile(QFileInfo(suggested).fileName());
    showFileColumnsWhole(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    if (QFileInfo::exists(path)
        && !MessageBox::ask(QStringLiteral("Файл %1 уже есть. Заменить его?").arg(QDir::toNativeSeparators(path)),
                            QStringLiteral("Сохранить в PDF")))
        return {};
    return path;
}

void ReportPreviewWindow::savePdf()
{
    const QString path = askPdfPath();
    if (path.isEmpty())
        return;
    ReportOutput output(document(), path);
    const QString shown = QDir::toNativeSeparators(path);
    if (runOutput(output))
        MessageBox::inform(QStringLiteral("Файл сохранен: %1").arg(shown), QStringLiteral("Сохранить в PDF"));
    else if (!m_outputCancelled)
        MessageBox::stop(QStringLiteral("Не удалось записать файл %1: %2").arg(shown, output.errorString()), QStringLiteral("Ошибка"));
}
