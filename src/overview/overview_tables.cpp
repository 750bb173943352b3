#include "overview/overview_tables.h"

#include "core/operation_names.h"

FigureTable hoursTable(const OverviewFigures& figures)
{
    const OverviewPeriod& period = figures.period;
    FigureTable table;
    table.titles = {period.wholeYear() ? QStringLiteral("Месяц") : QStringLiteral("День"), QStringLiteral("См. 1"),
                    QStringLiteral("См. 2"), QStringLiteral("См. 3"), QStringLiteral("Перераб."), QStringLiteral("Всего")};
    auto line = [](const QString& caption, const PartHours& h) {
        return QStringList{caption, QString::number(h.shift[0]), QString::number(h.shift[1]), QString::number(h.shift[2]),
                           QString::number(h.shift[3]), QString::number(h.total())};
    };
    for (int part = 1; part <= period.parts(); ++part)
        table.lines << line(partLine(period, part), figures.hours.at(part - 1));
    table.lines << line(QStringLiteral("Итого"), totalHours(figures.hours));
    table.red = figures.daysOff;
    return table;
}

FigureTable workersTable(const QVector<WorkerOutput>& workers)
{
    FigureTable table;
    table.titles = {QStringLiteral("Рабочий"), QStringLiteral("Сумма"), QStringLiteral("Штук")};
    for (const WorkerOutput& w : workers)
        table.lines << QStringList{w.name, moneyText(w.money), piecesText(w.pieces)};
    table.lines << QStringList{QStringLiteral("Итого"), moneyText(totalMoney(workers)), piecesText(totalPieces(workers))};
    return table;
}

FigureTable groupsTable(const QVector<GroupOutput>& groups)
{
    FigureTable table;
    table.titles = {QStringLiteral("Вид продукции"), QStringLiteral("Штук")};
    for (const GroupOutput& g : groups)
        table.lines << QStringList{productKindName(g.kind), piecesText(g.pieces)};
    table.lines << QStringList{QStringLiteral("Итого"), piecesText(totalPieces(groups))};
    return table;
}
