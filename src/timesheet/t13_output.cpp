#include "timesheet/t13_output.h"

#include "timesheet/t13_export.h"
#include "timesheet/t13_options_window.h"
#include "timesheet/t13_printout.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/report/report_preview.h"

#include <optional>

namespace {

std::optional<T13Sheet> askAndRead(int month, int year, QWidget* parent)
{
    T13Heading heading;
    {
        TForm28 question(parent);
        if (!question.Ask(month, year, heading))
            return std::nullopt;
    }
    BusyCursor busy;
    return readT13Sheet(month, year, heading);
}

} // namespace

void showT13(int month, int year, QWidget* parent)
{
    const std::optional<T13Sheet> sheet = askAndRead(month, year, parent);
    if (sheet)
        ReportPreview::show(t13Layout(*sheet), t13Rows(*sheet), QStringLiteral("Табель Т-13"), t13PdfPath(month, year));
}

void exportT13(int month, int year, QWidget* parent)
{
    const std::optional<T13Sheet> sheet = askAndRead(month, year, parent);
    if (!sheet)
        return;
    BusyCursor busy;
    exportT13Sheet(*sheet);
}
