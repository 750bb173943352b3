#pragma once

#include "overview/overview_statements.h"
#include "toolkit/decimal.h"

#include <QString>
#include <QVector>

class Dataset;

// The figures the overview draws, read from the server and added up here: plain arithmetic
// that tests call directly.

// Shifts 1 to 3 and overtime (shift 4).
constexpr int OverviewShifts = 4;
// "Смена №1" .. "Смена №3", "Переработка".
QString shiftName(int shift);

struct PartHours {
    qint64 shift[OverviewShifts] = {};
    qint64 total() const;
};

struct WorkerOutput {
    int id = 0;
    QString name;
    qint64 pieces = 0;
    Decimal money;
};

struct GroupOutput {
    int kind = 0;   // 0 finished products, 1 blanks
    qint64 pieces = 0;
};

// Which output the workers' chart ranks by.
enum class OutputMeasure { Money, Pieces };

struct OverviewFigures {
    OverviewPeriod period;
    QVector<PartHours> hours;     // one per part of the period (day or month)
    QVector<bool> daysOff;        // a month's days: weekends and holidays by the calendar
    QVector<WorkerOutput> workers;
    QVector<GroupOutput> groups;
    QVector<int> closedMonths;    // of the period

    bool closed() const { return !closedMonths.isEmpty() && (!period.wholeYear() || closedMonths.size() == 12); }
};

// Rows of hoursStatement into one line per part; rows of a shift outside 1..4 count in the
// day's total nowhere (the time sheet has no tab for them either).
QVector<PartHours> hoursByPart(const Dataset& rows, int parts);
// Rows of outputStatement added up per worker (in the order they come) and per group (finished
// products first).
QVector<WorkerOutput> workerOutputs(const Dataset& rows);
QVector<GroupOutput> groupOutputs(const Dataset& rows);
QVector<int> closedMonths(const Dataset& rows);

// The largest first by the measure, equal ones by name.
void rankWorkers(QVector<WorkerOutput>& workers, OutputMeasure measure);
// The figure the chart draws for a worker (a bar's length; the exact one is in the table).
double measureValue(const WorkerOutput& worker, OutputMeasure measure);
Decimal totalMoney(const QVector<WorkerOutput>& workers);
qint64 totalPieces(const QVector<WorkerOutput>& workers);
qint64 totalPieces(const QVector<GroupOutput>& groups);
PartHours totalHours(const QVector<PartHours>& hours);

// Money as the reports print a worker's total ("#0.00", comma); pieces whole.
QString moneyText(const Decimal& money);
QString piecesText(qint64 pieces);
QString measureText(const WorkerOutput& worker, OutputMeasure measure);
QString measureTotalText(const QVector<WorkerOutput>& workers, OutputMeasure measure);

// The bar's caption of a part: the day's number, or the month's short name ("янв").
QString partCaption(const OverviewPeriod& period, int part);
// The line of a part in the figures: "06.03 пт" for a day, "Январь" for a month.
QString partLine(const OverviewPeriod& period, int part);
// "Март 2026" or "2026 год".
QString periodHeading(const OverviewPeriod& period);
