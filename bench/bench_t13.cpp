// The unified time sheet of a 300-worker month: the time to the preview's first page, and
// laying out and writing the PDF against drawing the same texts at the same places straight
// into a QPdfWriter. The month is made up in memory, so the figures are the form's alone.
#include "bench_support.h"
#include "timesheet/t13_printout.h"
#include "toolkit/report/report_engine.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const int Workers = 300;
const int Repeats = 5;

T13Sheet month()
{
    T13Sheet sheet;
    sheet.month = 3;
    sheet.year = 2025;
    sheet.heading = defaultT13Heading(3, 2025);
    sheet.organisation.name = QStringLiteral("ООО «Кемра»");
    sheet.organisation.okpo = QStringLiteral("12345678");
    sheet.organisation.unit = QStringLiteral("Цех сборки");
    sheet.codes.order = {QStringLiteral("К"), QStringLiteral("ОТ"), QStringLiteral("Б")};
    sheet.codes.withWork = {QStringLiteral("К")};
    sheet.daysOff = monthDaysOff(3, 2025, {{8, QLatin1Char('H')}});
    sheet.holidays = monthHolidays(3, 2025, {{8, QLatin1Char('H')}});
    for (int w = 0; w < Workers; ++w) {
        WorkerMonth m;
        for (int d = 0; d < 31; ++d) {
            if (w % 7 == 0 && d >= 10 && d < 17) {
                m.marks[d] = QStringLiteral("Б");
                continue;
            }
            m.hours[w % 3 == 2 ? 2 : 0][d] = sheet.daysOff.at(d) && w % 4 ? 0 : 8;
            if (d % 5 == w % 5)
                m.hours[3][d] = 2;
        }
        if (w % 11 == 0)
            for (int d = 20; d < 27; ++d) {
                m.marks[d] = QStringLiteral("ОТ");
                for (auto& shift : m.hours)
                    shift[d] = 0;
            }
        T13Worker worker;
        worker.number = 1000 + w;
        worker.name = QStringLiteral("Работник%1 А. Б.").arg(w, 3, 10, QLatin1Char('0'));
        worker.position = QStringLiteral("Сборщик %1 разряда").arg(w % 6 + 1);
        worker.line = t13Line(m, sheet.daysOff, sheet.holidays, sheet.codes, {});
        sheet.workers << worker;
    }
    return sheet;
}

// Rows laid out until the first page is finished, as the preview shows it.
double firstPageSeconds(const T13Sheet& sheet)
{
    return seconds([&] {
        const ReportLayout layout = t13Layout(sheet);
        std::unique_ptr<ReportRowReader> rows = t13Rows(sheet);
        ReportBuilder builder(layout, rows->columns());
        QVector<QVariant> row;
        while (builder.pagesReady() < 1 && rows->next(row))
            builder.addRow(row);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const T13Sheet sheet = month();
    const ReportLayout layout = t13Layout(sheet);

    std::vector<double> first;
    for (int i = 0; i < Repeats; ++i)
        first.push_back(firstPageSeconds(sheet));
    std::vector<double> layoutOnly;
    for (int i = 0; i < Repeats; ++i)
        layoutOnly.push_back(seconds([&] {
            std::unique_ptr<ReportRowReader> rows = t13Rows(sheet);
            layoutReport(layout, *rows);
        }));
    int pages = 0;
    std::vector<double> ours, floor, ratios;
    for (int i = 0; i < Repeats; ++i) {
        ReportDocument document;
        const double engine = seconds([&] {
            std::unique_ptr<ReportRowReader> rows = t13Rows(sheet);
            document = layoutReport(layout, *rows);
            document.writePdf(dir.filePath("t13.pdf"));
        });
        pages = int(document.pages.size());
        const double baseline = seconds([&] { writeBaseline(document, dir.filePath("baseline.pdf")); });
        ours.push_back(engine);
        floor.push_back(baseline);
        ratios.push_back(engine / baseline);
    }
    std::printf("T-13, %d workers, %d pages: first page %.3f s; layout %.3f s; layout + PDF %.3f s, baseline QPdfWriter %.3f s, "
                "ratio %.2f (median of %d)\n",
                Workers, pages, median(first), median(layoutOnly), median(ours), median(floor), median(ratios), Repeats);
    return 0;
}
