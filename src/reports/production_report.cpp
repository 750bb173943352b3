#include "reports/production_report.h"

#include "core/data_module.h"
#include "reports/report_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/report/report_preview.h"

#include <QScopeGuard>

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

void ProductionReport::Run(const QDate& from, const QDate& to, int productKind)
{
    if (ReportPreview::isOpen(m_caption))
        return;   // the open preview keeps its pages
    ReportDocument document;
    {
        BusyCursor busy;
        m_query->close();
        prepareReportQuery(*m_query, from, to, productKind);
        m_query->open();
        const auto closeQuery = qScopeGuard([this] { m_query->close(); });
        document = pages(reportTitle(titlePrefix(), from, to, productKind));
    }
    ReportPreview::show(document, m_caption);
}

ReportDocument ProductionReport::pages(const QString& title) const
{
    return layoutReport(layout(title), DatasetRows(*m_query));
}
