#include "toolkit/report/report_preview.h"

#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QSet>
#include <QSpinBox>
#include <QToolBar>

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
}

void ReportPreview::show(const ReportDocument& document, const QString& caption)
{
    if (isOpen(caption))
        return;
    openCaptions().insert(caption);
    struct Closed {
        QString caption;
        ~Closed() { openCaptions().remove(caption); }
    } closed{caption};
    if (presenter()) {
        presenter()(document, caption);
        return;
    }
    auto* window = new ReportPreviewWindow(document, caption);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Opened from modal windows: a window that is not modal itself would take no input at all.
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    // Without a window manager "maximised" means nothing, so the window takes the screen itself.
    window->setGeometry(window->screen()->availableGeometry());
    window->showMaximized();
    loop.exec();
}

bool ReportPreview::isOpen(const QString& caption) { return openCaptions().contains(caption); }

void ReportPreview::setPresenter(Presenter p) { presenter() = std::move(p); }

ReportPreviewWindow::ReportPreviewWindow(const ReportDocument& document, const QString& caption, QWidget* parent)
    : QMainWindow(parent), m_document(document), m_screen(QPrinter::ScreenResolution)
{
    setWindowTitle(caption);
    m_document.preparePrinter(m_screen);
    m_preview = new QPrintPreviewWidget(&m_screen, this);
    m_preview->setViewMode(QPrintPreviewWidget::SinglePageView);
    if (m_document.zoom == ReportPageSetup::WholePage)
        m_preview->fitInView();
    else
        m_preview->fitToWidth();
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) { m_document.print(*printer); });
    setCentralWidget(m_preview);
    buildToolBar();
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this, &ReportPreviewWindow::showPageNumber);
}

void ReportPreviewWindow::buildToolBar()
{
    QToolBar* bar = addToolBar(QString());
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this, bar](const QString& text, const QKeySequence& key, auto slot) {
        QAction* action = bar->addAction(text);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [slot] { guarded(slot); });
        return action;
    };
    add(QStringLiteral("|<"), QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { m_page->setValue(m_page->minimum()); });
    add(QStringLiteral("<"), QKeySequence(Qt::Key_PageUp), [this] { m_page->stepDown(); });
    m_page = new QSpinBox(bar);
    m_page->setMinimum(1);
    m_page->setMaximum(qMax(1, int(m_document.pages.size())));
    bar->addWidget(m_page);
    bar->addWidget(new QLabel(QStringLiteral(" из %1 ").arg(m_document.pages.size()), bar));
    // The page buttons move the number box, which turns the page: a whole-page view reports no page change.
    connect(m_page, &QSpinBox::valueChanged, m_preview, &QPrintPreviewWidget::setCurrentPage);
    add(QStringLiteral(">"), QKeySequence(Qt::Key_PageDown), [this] { m_page->stepUp(); });
    add(QStringLiteral(">|"), QKeySequence(Qt::CTRL | Qt::Key_End), [this] { m_page->setValue(m_page->maximum()); });
    bar->addSeparator();
    add(QStringLiteral("−"), QKeySequence::ZoomOut, [this] { m_preview->zoomOut(); });
    add(QStringLiteral("+"), QKeySequence::ZoomIn, [this] { m_preview->zoomIn(); });
    add(QStringLiteral("По ширине"), QKeySequence(), [this] { m_preview->fitToWidth(); });
    add(QStringLiteral("Страница целиком"), QKeySequence(), [this] { m_preview->fitInView(); });
    bar->addSeparator();
    add(QStringLiteral("Печать"), QKeySequence::Print, [this] { printPages(); });
    add(QStringLiteral("Сохранить в PDF"), QKeySequence::Save, [this] { savePdf(); });
    bar->addSeparator();
    add(QStringLiteral("Закрыть"), QKeySequence(Qt::Key_Escape), [this] { close(); });
}

void ReportPreviewWindow::showPageNumber()
{
    const QSignalBlocker quiet(m_page);
    m_page->setValue(m_preview->currentPage());
}

void ReportPreviewWindow::printPages()
{
    QPrinter printer(QPrinter::HighResolution);
    m_document.preparePrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, int(m_document.pages.size()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    BusyCursor busy;
    if (!m_document.print(printer, printer.fromPage(), printer.toPage()))
        MessageBox::stop(QStringLiteral("Не удалось напечатать отчет"), QStringLiteral("Ошибка"));
}

void ReportPreviewWindow::savePdf()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить в PDF"),
                                                      windowTitle().trimmed() + QStringLiteral(".pdf"),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    BusyCursor busy;
    if (!m_document.writePdf(path))
        MessageBox::stop(QStringLiteral("Не удалось записать файл ") + path, QStringLiteral("Ошибка"));
}
