#include "reports/production_report.h"

#include "core/data_module.h"
#include "export/spreadsheet_writer.h"
#include "reports/report_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"

#include <QDir>

ProductionReport::ProductionReport(const QString& queryName, const QString& statement, const QString& caption, QObject* parent)
    : QObject(parent),
      m_query(new Dataset(QLatin1String(TDataModule6::ConnectionName), queryName, this)),
      m_caption(caption)
{
    m_query->setSql(statement);
}

QString ProductionReport::titlePrefix() const
{
    return QStringLiteral("   ") + m_caption + QStringLiteral(" за период с ");
}

QString ProductionReport::pdfPath(const QDate& from, const QDate& to) const
{
    const QString format = QStringLiteral("dd.MM.yyyy");
    return QDir(workbookFolder())
        .filePath(m_caption + QLatin1Char(' ') + from.toString(format) + QLatin1Char('-') + to.toString(format) + QStringLiteral(".pdf"));
}

void ProductionReport::Run(const QDate& from, const QDate& to, int productKind)
{
    if (ReportPreview::isOpen(m_caption))
        return;   // the open preview keeps its pages
    m_query->close();
    prepareReportQuery(*m_query, from, to, productKind);
    std::unique_ptr<ReportRowReader> rows;
    {
        BusyCursor busy;
        rows = std::make_unique<DatasetReader>(*m_query);   // the statement runs here
    }
    // The rows are laid out as they are read, while the preview shows the pages ready so far.
    ReportPreview::show(layout(reportTitle(titlePrefix(), from, to, productKind)), std::move(rows), m_caption, pdfPath(from, to));
}

ReportLayout ProductionReport::layoutFor(const QDate& from, const QDate& to) const
{
    return layout(reportTitle(titlePrefix(), from, to));
}

ReportDocument ProductionReport::pages(const QString& title) const
{
    return layoutReport(layout(title), DatasetRows(*m_query));
}
