#include "reports/report_layouts.h"

#include "reports/report_bands.h"
#include "reports/report_statements.h"

using namespace ReportBands;

TForm16* Form16 = nullptr;
TForm17* Form17 = nullptr;
TForm20* Form20 = nullptr;
TForm21* Form21 = nullptr;

namespace {
const Qt::Alignment Left = Qt::AlignLeft;
const Qt::Alignment Centre = Qt::AlignHCenter;
const QColor GroupGround(224, 224, 224);
}

TForm16::TForm16(QObject* parent)
    : ProductionReport(QStringLiteral("t_Report"), workersReportStatement(), QStringLiteral("Отчет по рабочим"), parent),
      t_Report(query())
{
}

ReportLayout TForm16::layout(const QString& titleText) const
{
    ReportGroup worker = columnGroup(QStringLiteral("fio"), 6.6, GroupGround, false, 6.1,
                                     {groupTotal(QStringLiteral("summa"), 163.0, 23.8, QStringLiteral("#0.00"))});
    worker.footer.framed(ReportFrame::Bottom);
    const ReportGroup product = columnGroup(QStringLiteral("nom"), 5.3, Qt::white, true, 5.3,
                                           {groupTotal(QStringLiteral("kolvo"), 137.8, 19.3),
                                            groupTotal(QStringLiteral("summa"), 163.0, 23.8, QStringLiteral("#0.000"))});
    return productionLayout(reportGroup(4.2, {title(titleText, 0.3)}, 5.8,
                                        {totalLabel(137.8), reportTotal(QStringLiteral("summa"), 160.9, 28.0, QStringLiteral("#0.00"))}),
                            {worker, product},
                            {detailProductKind(13.2, 42.1, 9), detailField(QStringLiteral("vid"), 56.9, 43.1, 9, Centre),
                             detailColour(101.6, 34.7, 9), detailField(QStringLiteral("kolvo"), 137.8, 19.3, 9, Centre),
                             detailField(QStringLiteral("summa"), 163.0, 23.5, 9, Centre).masked(QStringLiteral("#0.000"))});
}

TForm17::TForm17(QObject* parent)
    : ProductionReport(QStringLiteral("t_Report"), productsReportStatement(), QStringLiteral("Отчет по продукции"), parent),
      t_Report(query())
{
}

ReportLayout TForm17::layout(const QString& titleText) const
{
    const ReportGroup product = columnGroup(QStringLiteral("nom"), 5.3, GroupGround, true, 5.3,
                                           {groupTotal(QStringLiteral("mass"), 133.6, 19.3), groupTotal(QStringLiteral("kolvo"), 163.0, 23.8)});
    return productionLayout(
        reportGroup(7.7, {title(titleText, 0.0, 10, 136.3), heading(QStringLiteral("Коробки"), 136.3, 10), heading(QStringLiteral("Количество"), 165.1, 10)},
                    5.8,
                    {totalLabel(106.4), reportTotal(QStringLiteral("mass"), 131.2, 23.5, QStringLiteral("#0")),
                     reportTotal(QStringLiteral("kolvo"), 160.9, 28.0)}),
        {product},
        {detailProductKind(13.2, 40.0, 9), detailField(QStringLiteral("vid"), 54.8, 36.2, 9, Centre), detailColour(92.6, 39.4, 9),
         detailField(QStringLiteral("mass"), 133.6, 19.3, 9, Centre), detailField(QStringLiteral("kolvo"), 163.0, 23.5, 9, Centre)});
}

TForm20::TForm20(QObject* parent)
    : ProductionReport(QStringLiteral("w_Report"), workersDetailReportStatement(), QStringLiteral("Детальный отчет по рабочим"), parent),
      w_Report(query())
{
}

ReportLayout TForm20::layout(const QString& titleText) const
{
    const ReportGroup worker = columnGroup(QStringLiteral("fio"), 5.3, GroupGround, true, 6.3,
                                          {groupTotal(QStringLiteral("brk"), 128.3, 9.0), groupTotal(QStringLiteral("kolvo"), 145.5, 19.3),
                                           groupTotal(QStringLiteral("summa"), 169.9, 19.6, QStringLiteral("#0.00"))});
    return productionLayout(
        reportGroup(7.7,
                    {title(titleText, 0.0, 10, 124.1), heading(QStringLiteral("Брак"), 124.1, 9), heading(QStringLiteral("Количество"), 133.3, 9),
                     heading(QStringLiteral("Сумма"), 157.4, 9)},
                    5.8,
                    {totalLabel(106.1), reportTotal(QStringLiteral("brk"), 132.0, 11.4), reportTotal(QStringLiteral("kolvo"), 145.0, 19.3),
                     reportTotal(QStringLiteral("summa"), 165.9, 23.5, QStringLiteral("#0.00"))}),
        {worker},
        {detailField(QStringLiteral("marka"), 0.3, 41.0, 8, Left), detailField(QStringLiteral("vid"), 42.9, 29.1, 8, Centre),
         detailField(QStringLiteral("color"), 73.6, 16.1, 8, Centre), detailProductKind(91.3, 29.9, 8),
         detailField(QStringLiteral("brk"), 128.1, 9.0, 8, Centre), detailField(QStringLiteral("kolvo"), 146.3, 17.5, 8, Centre),
         detailField(QStringLiteral("summa"), 169.9, 19.6, 8, Centre).masked(QStringLiteral("#0.00"))});
}

TForm21::TForm21(QObject* parent)
    : ProductionReport(QStringLiteral("i_Report"), productsDetailReportStatement(), QStringLiteral("Детальный отчет по продукции"), parent),
      i_Report(query())
{
}

ReportLayout TForm21::layout(const QString& titleText) const
{
    const ReportGroup product = columnGroup(QStringLiteral("nom"), 5.3, GroupGround, true, 5.3,
                                           {groupTotal(QStringLiteral("brk"), 124.4, 8.7),
                                            groupTotal(QStringLiteral("mass"), 132.8, 18.8, QStringLiteral("#0.00")),
                                            groupTotal(QStringLiteral("kolvo"), 152.1, 16.7),
                                            groupTotal(QStringLiteral("summa"), 169.9, 20.1, QStringLiteral("#0.00"))});
    return productionLayout(
        reportGroup(7.7,
                    {title(titleText, 0.0, 9, 124.4), heading(QStringLiteral("Брак"), 124.4, 10), heading(QStringLiteral("Коробки"), 134.9, 10),
                     heading(QStringLiteral("Кол-во"), 153.5, 10), heading(QStringLiteral("Сумма"), 173.8, 10)},
                    6.6,
                    {totalLabel(99.7), reportTotal(QStringLiteral("brk"), 124.4, 8.5), reportTotal(QStringLiteral("mass"), 132.8, 18.8),
                     reportTotal(QStringLiteral("kolvo"), 152.1, 16.7), reportTotal(QStringLiteral("summa"), 169.9, 19.1, QStringLiteral("#0.00"))}),
        {product},
        {detailField(QStringLiteral("marka"), 1.1, 52.1, 9, Left), detailField(QStringLiteral("vid"), 52.9, 27.8, 9, Left),
         detailField(QStringLiteral("color"), 81.2, 16.7, 9, Centre), detailProductKind(99.5, 27.0, 9),
         detailField(QStringLiteral("brk"), 125.4, 6.6, 9, Centre), detailField(QStringLiteral("mass"), 133.6, 18.8, 9, Centre),
         detailField(QStringLiteral("kolvo"), 152.1, 16.7, 9, Centre),
         detailField(QStringLiteral("summa"), 169.9, 19.1, 9, Centre).masked(QStringLiteral("#0.000"))});
}
