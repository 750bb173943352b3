#include "reports/report_spreadsheet.h"

#include "core/operation_names.h"
#include "export/spreadsheet_writer.h"
#include "reports/report_statements.h"
#include "toolkit/dataset.h"

#include <QDate>
#include <QStringList>
#include <QVariant>

QString spreadsheetProgressCaption(int written, int total)
{
    return QStringLiteral("Excel (%1 из %2)").arg(written).arg(total);
}

QString reportSpreadsheetTitle(const QDate& from, const QDate& to)
{
    const QString format = QStringLiteral("dd.MM.yyyy");
    return QStringLiteral("Отчет с %1 по %2").arg(from.toString(format), to.toString(format));
}

bool fillReportSpreadsheet(Dataset& rows, const QString& title, const std::function<bool(int, int)>& progress)
{
    if (OpenWorkbook(title) == -1)
        return false;
    const int total = rows.recordCount();
    const auto goOn = [&](int written) {
        if (progress(written, total))
            return true;
        DiscardWorkbook();
        return false;
    };
    if (!goOn(0))
        return false;
    rows.first();
    const QStringList headings{QStringLiteral("Наименование"), QStringLiteral("Операция"), QStringLiteral("Вид продукции"),
                               QStringLiteral("Коробки"), QStringLiteral("Кол-во")};
    for (int column = 1; column <= headings.size(); ++column)
        WriteCell(1, column, 1, headings.at(column - 1), Cell::AsText);
    // Names, operations and kinds stay text even when they read as numbers; boxes and
    // quantities are numbers.
    int written = 0;
    for (; !rows.eof(); rows.next()) {
        const int row = written + 2;
        const int color = rows.value(QStringLiteral("color")).toInt();
        WriteCell(1, 1, row, rows.value(QStringLiteral("nom")).toString(), Cell::AsText);
        WriteCell(1, 2, row, spreadsheetOperationText(rows.value(QStringLiteral("vid")).toString(), color), Cell::AsText);
        WriteCell(1, 3, row, productKindName(rows.value(QStringLiteral("naimen")).toInt()), Cell::AsText);
        const QVariant mass = rows.value(QStringLiteral("mass"));   // none for a product without a box factor
        WriteCell(1, 4, row, mass.isNull() ? QString() : boxesText(mass.toDouble()));
        WriteCell(1, 5, row, quantityText(rows.value(QStringLiteral("kolvo")).toDouble()));
        if (!goOn(++written))
            return false;
    }
    ShowWorkbook(true);
    return true;
}
