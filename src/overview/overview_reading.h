#pragma once

#include "overview/overview_figures.h"
#include "toolkit/dataset.h"

// The overview's statements for one period, as datasets of one connection, read together.
class OverviewQueries {
public:
    OverviewQueries(const QString& connectionName, const OverviewPeriod& period, bool finishedOnly);

    // Every statement in one round trip; throws DatabaseError.
    OverviewFigures read();
    QList<Dataset*> sets();

private:
    OverviewPeriod m_period;
    Dataset m_hours;
    Dataset m_output;
    Dataset m_closed;
    Dataset m_calendar;   // a month's only
};
