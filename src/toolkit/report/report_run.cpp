#include "toolkit/report/report_run.h"

#include "toolkit/error_guard.h"

#include <QElapsedTimer>

ReportRun::ReportRun(const ReportLayout& layout, std::unique_ptr<ReportRowReader> rows, QObject* parent)
    : QObject(parent), m_builder(layout, rows->columns()), m_rows(std::move(rows)), m_rowCount(m_rows->sizeHint())
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &ReportRun::slice);
}

ReportRun::~ReportRun() = default;

void ReportRun::start()
{
    if (!isFinished() && !m_cancelled)
        m_timer.start();
}

void ReportRun::cancel()
{
    m_timer.stop();
    m_cancelled = true;
    m_rows.reset();
}

int ReportRun::expectedPages() const
{
    if (isFinished())
        return pagesReady();
    if (m_rowCount < 0 || rowsRead() == 0)
        return -1;
    const int pages = int(document().pages.size());
    return qMax(pages, int(qint64(pages) * m_rowCount / rowsRead()));
}

void ReportRun::slice()
{
    bool ok = false;
    guarded([&] {
        layOut(SliceMs);
        ok = true;
    });
    if (!ok) {
        cancel();
        emit failed();
        return;
    }
    emit progressed();
    if (isFinished()) {
        m_timer.stop();
        emit finished();
    }
}

void ReportRun::layOut(int budgetMs)
{
    if (!m_rows || isFinished())
        return;
    QElapsedTimer timer;
    timer.start();
    QVector<QVariant> row;
    int sinceCheck = 0;
    while (m_rows->next(row)) {
        m_builder.addRow(row);
        if (budgetMs >= 0 && ++sinceCheck == 64) {
            sinceCheck = 0;
            if (timer.elapsed() >= budgetMs)
                return;
        }
    }
    m_rows.reset();   // the driver's result goes at once
    m_builder.finish();
}
