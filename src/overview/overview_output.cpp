#include "overview/overview_output.h"

#include "export/spreadsheet_writer.h"
#include "overview/overview_figures.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QWidget>

QString overviewFileName(const OverviewPeriod& period)
{
    const QString name = period.wholeYear() ? QStringLiteral("Обзор года %1").arg(period.year)
                                            : QStringLiteral("Обзор месяца ") + periodHeading(period);
    return QDir(workbookFolder()).filePath(name + QStringLiteral(".pdf"));
}

bool saveOverview(QWidget* panel, const QString& path)
{
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return panel->grab().save(path, "PNG");
    QPdfWriter pdf(path);
    pdf.setTitle(QFileInfo(path).completeBaseName());
    pdf.setCreator(QStringLiteral("Табель"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&pdf))
        return false;
    const QRect page = painter.viewport();
    const double scale = qMin(double(page.width()) / panel->width(), double(page.height()) / panel->height());
    painter.scale(scale, scale);
    panel->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return painter.end();
}
