#include "timesheet/timesheet_export.h"

#include "core/data_module.h"
#include "export/spreadsheet_writer.h"
#include "timesheet/month_names.h"
#include "timesheet/timesheet_statements.h"
#include "toolkit/reading_session.h"

namespace {

const int Sheet = 1;
const int Days = 31;
const int TotalColumn = Days + 2;

void writeHeader(const QString& heading)
{
    const CellFlags title = Cell::AsText | Cell::AutoFit | Cell::Bold;
    WriteCell(Sheet, 1, 1, heading, title);
    WriteCell(Sheet, 1, 2, QStringLiteral("Фамилия И.О."), title);
    for (int day = 1; day <= Days; ++day)
        WriteCell(Sheet, day + 1, 2, QString::number(day), Cell::AutoFit | Cell::Bold);
    WriteCell(Sheet, TotalColumn, 2, QStringLiteral("Итого"), title);
}

// Where the worker's caption and the hours of day 1 to 31 stand in the month query.
struct TotalsColumns {
    explicit TotalsColumns(const Dataset& totals) : name(totals.fieldIndex(QStringLiteral("fio")))
    {
        for (int day = 1; day <= Days; ++day)
            days[day - 1] = totals.fieldIndex(QStringLiteral("sd%1").arg(day));
    }
    int name;
    int days[Days];
};

// Worker `index` of `totals` into spreadsheet row `row`.
void writeWorker(const Dataset& totals, const TotalsColumns& columns, int index, int row)
{
    WriteCell(Sheet, 1, row, totals.value(index, columns.name).toString(), Cell::AsText | Cell::AutoFit);
    int total = 0;
    for (int day = 1; day <= Days; ++day) {
        const int hours = totals.value(index, columns.days[day - 1]).toInt();
        total += hours;
        WriteCell(Sheet, day + 1, row, QString::number(hours), Cell::AutoFit);
    }
    WriteCell(Sheet, TotalColumn, row, QString::number(total), Cell::AutoFit);
}

} // namespace

bool exportMonth(int month, int year, const std::function<void(int written, int count)>& progress)
{
    // Read where the printout reads: on a standby when one is up to date.
    const ReadingSession session(QLatin1String(TDataModule6::ConnectionName), ReadingSession::Server::PreferStandby);
    Dataset totals(session.connectionName(), QStringLiteral("H_Tabel"));
    totals.setSql(monthTotalsStatement());
    setMonthParams(totals, month, year);
    totals.open();

    const QString heading = monthHeading(month, year);
    if (OpenWorkbook(QStringLiteral("Табель ") + heading) == -1)
        return false;
    ShowWorkbook(false);
    const int count = totals.recordCount();
    if (progress)
        progress(0, count);
    writeHeader(heading);
    const TotalsColumns columns(totals);
    for (int index = 0; index < count; ++index) {
        writeWorker(totals, columns, index, index + 3);
        if (progress)
            progress(index + 1, count);
    }
    ShowWorkbook(true);
    return true;
}
