#pragma once

#include "toolkit/report/report_document.h"
#include "toolkit/report/report_layout.h"

#include <QDate>
#include <QObject>

class Dataset;

// One printed production report: its own query on the shared connection and its page layout.
class ProductionReport : public QObject {
    Q_OBJECT
public:
    // The report's name: its button's caption, the preview's caption, the title's start.
    QString caption() const { return m_caption; }
    // "   <name> за период с "
    QString titlePrefix() const;

    // Reads the period's rows of the product kind, laying them out as they come, and shows the
    // pages in a preview; returns when the preview closes. While this report's preview is open
    // it does nothing.
    void Run(const QDate& from, const QDate& to, int productKind);
    // The pages of the open query under `title`.
    ReportDocument pages(const QString& title) const;
    // The page layout over the period, for the rows of the query.
    ReportLayout layoutFor(const QDate& from, const QDate& to) const;
    // Where "Сохранить в PDF" suggests to keep the report: the workbook folder, the report's
    // name and its dates, "Отчет по рабочим 01.11.2026-01.12.2026.pdf".
    QString pdfPath(const QDate& from, const QDate& to) const;

    Dataset* query() const { return m_query; }

protected:
    ProductionReport(const QString& queryName, const QString& statement, const QString& caption, QObject* parent);
    virtual ReportLayout layout(const QString& title) const = 0;

private:
    Dataset* m_query;
    QString m_caption;
};
