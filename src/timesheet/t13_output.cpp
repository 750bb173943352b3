#include "timesheet/t13_output.h"

#include "timesheet/t13_export.h"
#include "timesheet/t13_options_window.h"
#include "timesheet/t13_printout.h"
#include "history/month_closing.h"
#include "timesheet/month_names.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/message_box.h"
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
    std::optional<T13Sheet> sheet;
    {
        BusyCursor busy;
        sheet = readT13Sheet(month, year, heading);
    }
    if (sheet->workers.isEmpty()) {
        // An empty form would be filed as a month nobody worked.
        MessageBox::inform(QStringLiteral("За %1 ни у кого нет ни часов, ни отметок: табель Т-13 не составлен.")
                               .arg(monthInSentence(monthHeading(month, year))),
                           QStringLiteral("Табель Т-13"));
        return std::nullopt;
    }
    return sheet;
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
