#include "legacy_import/import_with_progress.h"

#include "core/data_module.h"
#include "legacy_import/legacy_import.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressDialog>

void importWithProgress(QWidget* parent, QLabel* label)
{
    connectLegacyImport();
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ImportProgress"));
    dialog.setWindowTitle(QStringLiteral("Импорт"));
    dialog.setWindowModality(Qt::WindowModal);
    // Stopping half-way would only roll everything back; the import runs to its end.
    dialog.setCancelButton(nullptr);
    dialog.setAutoReset(false);   // one dialog for all the tables
    dialog.setAutoClose(false);
    dialog.setMinimumDuration(0);
    dialog.setMinimumWidth(360);

    LegacyImport import(QLatin1String(MSA), QLatin1String(PGSQL), QLatin1String(TDataModule6::ConnectionName));
    import.setProgress([&](const ImportProgress& progress) {
        const QString text = progressText(progress);
        label->setText(text);
        if (dialog.maximum() != progress.total)
            dialog.setMaximum(progress.total);
        dialog.setLabelText(text);
        dialog.setValue(progress.copied);
        QCoreApplication::processEvents();
    });
    dialog.show();
    import.run();
}
