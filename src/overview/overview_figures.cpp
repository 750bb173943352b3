#include "overview/overview_figures.h"

#include "timesheet/month_names.h"
#include "toolkit/dataset.h"
#include "toolkit/number_format.h"

#include <QHash>
#include <QLocale>
#include <algorithm>

QString shiftName(int shift)
{
    return shift == OverviewShifts ? QStringLiteral("Переработка") : QStringLiteral("Смена №%1").arg(shift);
}

qint64 PartHours::total() const
{
    qint64 sum = 0;
    for (qint64 h : shift)
        sum += h;
    return sum;
}

QVector<PartHours> hoursByPart(const Dataset& rows, int parts)
{
    QVector<PartHours> hours(parts);
    const int part = rows.fieldIndex(QStringLiteral("part"));
    const int smena = rows.fieldIndex(QStringLiteral("smena"));
    const int sum = rows.fieldIndex(QStringLiteral("hours"));
    for (int row = 0; row < rows.recordCount(); ++row) {
        const int p = rows.value(row, part).toInt();
        const int s = rows.value(row, smena).toInt();
        if (p >= 1 && p <= parts && s >= 1 && s <= OverviewShifts)
            hours[p - 1].shift[s - 1] += rows.value(row, sum).toLongLong();
    }
    return hours;
}

QVector<WorkerOutput> workerOutputs(const Dataset& rows)
{
    QVector<WorkerOutput> workers;
    QHash<int, int> index;   // worker -> his line
    const int id = rows.fieldIndex(QStringLiteral("w_id"));
    const int fio = rows.fieldIndex(QStringLiteral("fio"));
    const int pieces = rows.fieldIndex(QStringLiteral("pieces"));
    const int money = rows.fieldIndex(QStringLiteral("money"));
    for (int row = 0; row < rows.recordCount(); ++row) {
        const int worker = rows.value(row, id).toInt();
        auto line = index.constFind(worker);
        if (line == index.constEnd()) {
            line = index.insert(worker, workers.size());
            workers.append({worker, rows.value(row, fio).toString(), 0, Decimal()});
        }
        WorkerOutput& w = workers[*line];
        w.pieces += rows.value(row, pieces).toLongLong();
        w.money += Decimal::fromVariant(rows.value(row, money));
    }
    return workers;
}

QVector<GroupOutput> groupOutputs(const Dataset& rows)
{
    GroupOutput kinds[2] = {{0, 0}, {1, 0}};
    bool present[2] = {false, false};
    const int kind = rows.fieldIndex(QStringLiteral("kind"));
    const int pieces = rows.fieldIndex(QStringLiteral("pieces"));
    for (int row = 0; row < rows.recordCount(); ++row) {
        const int k = rows.value(row, kind).toInt() == 0 ? 0 : 1;
        kinds[k].pieces += rows.value(row, pieces).toLongLong();
        present[k] = true;
    }
    QVector<GroupOutput> groups;
    for (int k = 0; k < 2; ++k)
        if (present[k])
            groups.append(kinds[k]);
    return groups;
}

QVector<int> closedMonths(const Dataset& rows)
{
    QVector<int> months;
    for (int row = 0; row < rows.recordCount(); ++row)
        months.append(rows.value(row, 0).toInt());
    return months;
}

double measureValue(const WorkerOutput& worker, OutputMeasure measure)
{
    return measure == OutputMeasure::Money ? worker.money.exact().toDouble() : double(worker.pieces);
}

void rankWorkers(QVector<WorkerOutput>& workers, OutputMeasure measure)
{
    std::stable_sort(workers.begin(), workers.end(), [measure](const WorkerOutput& a, const WorkerOutput& b) {
        const double x = measureValue(a, measure), y = measureValue(b, measure);
        if (x != y)
            return x > y;
        return a.name < b.name;
    });
}

Decimal totalMoney(const QVector<WorkerOutput>& workers)
{
    Decimal sum;
    for (const WorkerOutput& w : workers)
        sum += w.money;
    return sum;
}

qint64 totalPieces(const QVector<WorkerOutput>& workers)
{
    qint64 sum = 0;
    for (const WorkerOutput& w : workers)
        sum += w.pieces;
    return sum;
}

qint64 totalPieces(const QVector<GroupOutput>& groups)
{
    qint64 sum = 0;
    for (const GroupOutput& g : groups)
        sum += g.pieces;
    return sum;
}

PartHours totalHours(const QVector<PartHours>& hours)
{
    PartHours sum;
    for (const PartHours& part : hours)
        for (int s = 0; s < OverviewShifts; ++s)
            sum.shift[s] += part.shift[s];
    return sum;
}

QString moneyText(const Decimal& money)
{
    return formatNumber(money, QStringLiteral("#0.00"));
}

QString piecesText(qint64 pieces)
{
    return QString::number(pieces);
}

QString measureText(const WorkerOutput& worker, OutputMeasure measure)
{
    return measure == OutputMeasure::Money ? moneyText(worker.money) : piecesText(worker.pieces);
}

QString measureTotalText(const QVector<WorkerOutput>& workers, OutputMeasure measure)
{
    return measure == OutputMeasure::Money ? moneyText(totalMoney(workers)) : piecesText(totalPieces(workers));
}

QString partCaption(const OverviewPeriod& period, int part)
{
    if (!period.wholeYear())
        return QString::number(part);
    return monthName(part).left(3).toLower();
}

QString partLine(const OverviewPeriod& period, int part)
{
    if (period.wholeYear())
        return monthName(part);
    const QDate day(period.year, period.month, part);
    return day.toString(QStringLiteral("dd.MM ")) + QLocale(QLocale::Russian).dayName(day.dayOfWeek(), QLocale::ShortFormat);
}

QString periodHeading(const OverviewPeriod& period)
{
    return period.wholeYear() ? QStringLiteral("%1 год").arg(period.year) : monthHeading(period.month, period.year);
}
