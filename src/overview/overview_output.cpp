#include "overview/overview_output.h"

#include "export/spreadsheet_writer.h"
#include "overview/overview_figures.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

QString overviewFileName(const OverviewPeriod& period)
{
    const QString name = period.wholeYear() ? QStringLiteral("Обзор года %1").arg(period.year)
                                            : QStringLiteral("Обзор месяца ") + periodHeading(period);
    return QDir(workbookFolder()).filePath(name + QStringLiteral(".pdf"));
}

bool saveOverview(QWidget* panel, const OverviewSheet& sheet, const QString& path)
{
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return panel->grab().save(path, "PNG");
    return printOverview(sheet, path);
}
