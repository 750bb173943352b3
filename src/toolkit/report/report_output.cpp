#include "toolkit/report/report_output.h"

#include "toolkit/report/report_document.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

ReportOutput::ReportOutput(const ReportDocument& document, const QString& pdfPath)
    : m_document(document), m_path(pdfPath), m_last(int(document.pages.size()) - 1)
{
    const QFileInfo target(pdfPath);
    m_file = std::make_unique<QTemporaryFile>(target.dir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!m_file->open()) {
        fail(m_file->errorString());
        return;
    }
    m_pdf = std::make_unique<QPdfWriter>(m_file.get());
    m_pdf->setResolution(1200);
    m_pdf->setCreator(QStringLiteral("Табель"));
    m_pdf->setTitle(target.completeBaseName());   // what a PDF reader shows instead of the file name
    document.preparePages(*m_pdf);
    if (!begin(*m_pdf))
        fail(QStringLiteral("PDF"));
}

ReportOutput::ReportOutput(const ReportDocument& document, QPrinter& printer, int from, int to)
    : m_document(document), m_printer(&printer)
{
    const int count = int(document.pages.size());
    m_first = from > 0 ? qMin(from, count) - 1 : 0;
    m_last = to > 0 ? qMin(to, count) - 1 : count - 1;
    if (!begin(printer))
        fail(QStringLiteral("принтер недоступен"));
}

ReportOutput::~ReportOutput()
{
    if (!m_done)
        cancel();
}

bool ReportOutput::begin(QPagedPaintDevice& device)
{
    m_device = &device;
    m_next = m_first;
    return m_painter.begin(&device);
}

void ReportOutput::fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = reason;
}

bool ReportOutput::drawSome(int budgetMs)
{
    if (!m_error.isEmpty() || !m_painter.isActive())
        return false;
    QElapsedTimer timer;
    timer.start();
    while (m_next <= m_last) {
        if (m_next > m_first)
            m_device->newPage();
        m_document.paintPage(m_next++, m_painter);
        if (m_file && m_file->error() != QFileDevice::NoError) {
            fail(m_file->errorString());
            return false;
        }
        if (timer.elapsed() >= budgetMs)
            break;
    }
    return m_next <= m_last;
}

bool ReportOutput::finish()
{
    if (m_done)
        return m_error.isEmpty();
    if (m_painter.isActive() && !m_painter.end())
        fail(QStringLiteral("PDF"));
    m_done = true;
    if (!m_file)
        return m_error.isEmpty();
    if (m_error.isEmpty() && (!m_file->flush() || m_file->error() != QFileDevice::NoError))
        fail(m_file->errorString());
    if (m_error.isEmpty()) {
        // A temporary file is the owner's alone; the saved one gets the mode any new file gets.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(m_file->fileName()).constData(), 0666 & ~mask);
        // rename(2) replaces a file of the name in one step, so readers see the old or the new.
        if (std::rename(QFile::encodeName(m_file->fileName()).constData(), QFile::encodeName(m_path).constData()) == 0)
            m_file->setAutoRemove(false);
        else
            fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    m_pdf.reset();
    m_file.reset();   // removes the temporary file unless it took the name
    return m_error.isEmpty();
}

void ReportOutput::cancel()
{
    if (m_done)
        return;
    if (m_printer && m_painter.isActive())
        m_printer->abort();
    if (m_painter.isActive())
        m_painter.end();
    m_done = true;
    fail(QStringLiteral("отменено"));
    m_pdf.reset();
    m_file.reset();
}
