#include "journal/journal_menu.h"

ReportPeriod reportsDefaultPeriod(const QDate& today)
{
    const QDate monthStart(today.year(), today.month(), 1);
    return {monthStart.addMonths(-1), monthStart};
}
