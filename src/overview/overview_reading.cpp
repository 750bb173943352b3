#include "overview/overview_reading.h"

#include "timesheet/t13_sheet.h"
#include "timesheet/t13_statements.h"

OverviewQueries::OverviewQueries(const QString& connectionName, const OverviewPeriod& period, bool finishedOnly)
    : m_period(period),
      m_hours(connectionName, QStringLiteral("OverviewHours")),
      m_output(connectionName, QStringLiteral("OverviewOutput")),
      m_closed(connectionName, QStringLiteral("OverviewClosed")),
      m_calendar(connectionName, QStringLiteral("OverviewCalendar"))
{
    m_hours.setSql(hoursStatement(period, finishedOnly));
    m_output.setSql(outputStatement(finishedOnly));
    for (Dataset* set : {&m_hours, &m_output})
        setPeriodParams(*set, period);
    m_closed.setSql(closedMonthsStatement());
    setClosedMonthsParams(m_closed, period);
    if (!period.wholeYear())
        m_calendar.setSql(calendarStatement(period.month, period.year));
}

QList<Dataset*> OverviewQueries::sets()
{
    QList<Dataset*> all{&m_hours, &m_output, &m_closed};
    if (!m_period.wholeYear())
        all << &m_calendar;
    return all;
}

OverviewFigures OverviewQueries::read()
{
    const QList<Dataset*> all = sets();
    openTogether(all);
    OverviewFigures figures;
    figures.period = m_period;
    figures.hours = hoursByPart(m_hours, m_period.parts());
    figures.workers = workerOutputs(m_output);
    figures.groups = groupOutputs(m_output);
    figures.closedMonths = closedMonths(m_closed);
    if (!m_period.wholeYear())
        figures.daysOff = daysOffIn(m_calendar, m_period.month, m_period.year);
    for (Dataset* set : all)
        set->close();
    return figures;
}
