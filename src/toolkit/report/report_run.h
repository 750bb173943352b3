#pragma once

#include "toolkit/report/report_engine.h"

#include <QObject>
#include <QTimer>
#include <memory>

// A report laid out in short slices between window events, so that the window that shows it
// keeps repainting and its first pages can be looked at while the rest arrive.
class ReportRun : public QObject {
    Q_OBJECT
public:
    ReportRun(const ReportLayout& layout, std::unique_ptr<ReportRowReader> rows, QObject* parent = nullptr);
    ~ReportRun() override;

    // Lays out a slice whenever the event loop is idle, until the rows end or cancel().
    void start();
    // Lays out everything now.
    void runToEnd() { layOut(-1); }
    // Lays out rows for about `budgetMs` now (all for a negative budget); throws DatabaseError when reading fails.
    void layOut(int budgetMs);
    // Stops and lets go of the rows; the pages so far stay until the run is deleted.
    void cancel();

    bool isFinished() const { return m_builder.isFinished(); }
    bool isCancelled() const { return m_cancelled; }
    int pagesReady() const { return m_builder.pagesReady(); }
    int rowsRead() const { return m_builder.rowsLaidOut(); }
    // The page count the whole report will likely have, from the rows read so far and the
    // rows in all; -1 while the driver does not tell the row count.
    int expectedPages() const;
    const ReportDocument& document() const { return m_builder.document(); }
    ReportDocument takeDocument() { return m_builder.takeDocument(); }

    static constexpr int SliceMs = 40;

signals:
    void progressed();   // more rows laid out, perhaps more pages ready
    void finished();
    void failed();       // reading the rows threw; the error has been shown

private:
    void slice();

    ReportBuilder m_builder;
    std::unique_ptr<ReportRowReader> m_rows;
    int m_rowCount;
    QTimer m_timer;
    bool m_cancelled = false;
};
