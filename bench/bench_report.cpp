// The report engine over 20 000 detail rows in two nested groups: laying out and writing the
// PDF, against drawing the same texts at the same fixed positions straight into a QPdfWriter.
// Prints the median of several runs, their ratio and the run's peak memory.
#include "bench_support.h"
#include "toolkit/report/report_engine.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const int Rows = 20000;
const int Repeats = 5;

MemoryRows floorRows()
{
    MemoryRows rows({"fio", "nom", "naimen", "vid", "color", "kolvo", "summa"});
    for (int i = 0; i < Rows; ++i) {
        const int worker = i / 196, product = i / 7;
        rows.append({QString("Работник %1 А.Б.").arg(worker, 3, 10, QChar('0')),
                     QString("Изделие %1").arg(product, 4, 10, QChar('0')), i % 3 == 0 ? 1 : 0,
                     QString("Операция %1").arg(i % 17), i % 5 == 0 ? 9010 : i % 5, double(i % 40 + 1),
                     (i % 40 + 1) * 12.345});
    }
    return rows;
}

ReportLayout workersLayout()
{
    const QColor totals(239, 239, 239);
    auto detailFont = [](ReportItem item) { return item.withFont("MS Sans Serif", 9); };
    auto totalFont = [&](ReportItem item) { return item.withFont("MS Sans Serif", 9, true).filled(totals).centred(); };
    ReportLayout layout;
    ReportGroup report;
    report.header = ReportBand(4.2, {ReportItem::label("   Отчет по рабочим за период с 01.03.2025 по 01.04.2025", 0.3).bold()});
    report.header.filled(QColor(244, 244, 244));
    report.header.children.push_back(ReportBand(0.5));
    report.footer = ReportBand(5.8, {ReportItem::label("Итого:", 137.8).withFont("MS Sans Serif", 11, true),
                                     ReportItem::sum("summa", 160.9, 28.0).withFont("MS Sans Serif", 11, true)
                                         .filled(totals).centred().masked("#0.00")});
    report.footer.filled(QColor(220, 220, 220)).framed(ReportFrame::All);
    ReportGroup worker("fio");
    worker.header = ReportBand(6.6, {ReportItem::field("fio", 0.3).bold()});
    worker.header.filled(QColor(224, 224, 224));
    worker.footer = ReportBand(6.1, {totalFont(ReportItem::sum("summa", 163.0, 23.8).masked("#0.00"))});
    worker.footer.framed(ReportFrame::Bottom);
    ReportGroup product("nom");
    product.header = ReportBand(5.3, {ReportItem::field("nom", 0.3).bold()});
    product.linkedToFooter = true;
    product.footer = ReportBand(5.3, {totalFont(ReportItem::sum("kolvo", 137.8, 19.3)),
                                      totalFont(ReportItem::sum("summa", 163.0, 23.8).masked("#0.000"))});
    layout.groups = {report, worker, product};
    layout.detail = ReportBand(4.2, {
        detailFont(ReportItem::expression([](const ReportRow& row) {
            return row.value("naimen").toInt() == 0 ? "Готовая продукция" : "Заготовки"; }, 13.2, 42.1)),
        detailFont(ReportItem::field("vid", 56.9, 43.1).centred()),
        detailFont(ReportItem::expression([](const ReportRow& row) {
            const int colour = row.value("color").toInt();
            return colour == 1 ? QString(" (грунт)") : colour > 1 ? QString(" (RAL: %1)").arg(colour) : QString(" ");
        }, 101.6, 34.7)),
        detailFont(ReportItem::field("kolvo", 137.8, 19.3).centred().filled(Qt::white)),
        detailFont(ReportItem::field("summa", 163.0, 23.5).centred().filled(Qt::white).masked("#0.000"))});
    layout.pageFooter = ReportBand(4.2, {ReportItem::pageNumber(176.2).withFont("Arial", 9)});
    return layout;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString ours = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("report.pdf");
    const MemoryRows rows = floorRows();
    const ReportLayout layout = workersLayout();

    int pages = 0;
    const double engine = medianSeconds([&] {
        const ReportDocument document = layoutReport(layout, rows);
        pages = int(document.pages.size());
        document.writePdf(ours);
    }, Repeats);
    const double layoutOnly = medianSeconds([&] { layoutReport(layout, rows); }, Repeats);
    const ReportDocument document = layoutReport(layout, rows);
    const double baseline = medianSeconds([&] { writeBaseline(document, dir.filePath("baseline.pdf")); }, Repeats);

    std::printf("report engine, %d rows, %d pages: layout %.3f s, layout + PDF %.3f s, "
                "baseline QPdfWriter %.3f s, ratio %.2f (median of %d)\n",
                Rows, pages, layoutOnly, engine, baseline, engine / baseline, Repeats);
    std::printf("peak memory (VmHWM) %.1f MB\n", peakKilobytes() / 1024.0);
    return 0;
}
