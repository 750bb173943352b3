// The detailed report by workers over a year of the large synthetic floor: the query through
// the program's data path with the rows laid out as they are read, and the PDF, against psql
// running the same statement plus drawing the same texts straight into a QPdfWriter. Prints
// the rows and pages, the time to the first page, the medians, the ratio and the run's peak
// memory, and the resident memory before, at the peak of and after the laid-out year (released
// and trimmed as the preview does on close) against the floor's; fails when the year has no rows.
#include "bench_support.h"
#include "app/application.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "reports/report_layouts.h"
#include "reports/report_statements.h"
#include "toolkit/dataset.h"
#include "toolkit/report/report_engine.h"
#include "toolkit/sql_text.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

namespace {
const int Repeats = 3;
const QDate From(2024, 1, 1);
const QDate To(2025, 1, 1);

// Starts VmHWM again from the resident memory of now.
void resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double megabytes(long kilobytes) { return kilobytes / 1024.0; }
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reports <server address>\n");
        return 2;
    }
    const QString host = QString::fromLocal8Bit(argv[1]);
    setProgramFonts();
    DataModule6 = new TDataModule6(&app);
    DataModule6->openConnection(connectionString(QStringLiteral("kemra_erp"), host));
    QTemporaryDir dir;
    TForm20 report;

    int rows = 0;
    int pages = 0;
    double query = 0, firstPage = 0, layout = 0;
    const double ours = medianSeconds([&] {
        QElapsedTimer timer;
        timer.start();
        prepareReportQuery(*report.w_Report, From, To, AllProducts);
        DatasetReader reader(*report.w_Report);
        query = timer.nsecsElapsed() / 1e9;
        ReportBuilder builder(report.layoutFor(From, To), reader.columns());
        QVector<QVariant> row;
        firstPage = 0;
        while (reader.next(row)) {
            builder.addRow(row);
            if (firstPage == 0 && builder.pagesReady() > 0)
                firstPage = timer.nsecsElapsed() / 1e9;
        }
        builder.finish();
        layout = timer.nsecsElapsed() / 1e9;
        rows = builder.rowsLaidOut();
        pages = builder.pagesReady();
        builder.document().writePdf(dir.filePath("report.pdf"));
    }, Repeats);
    if (rows == 0) {
        std::fprintf(stderr, "bench_reports: no journal rows in %s..%s: the data is missing\n",
                     qPrintable(From.toString(Qt::ISODate)), qPrintable(To.toString(Qt::ISODate)));
        return 1;
    }

    const QString statement = bindParameters(workersDetailReportStatement(), {{"data1", From}, {"data2", To}});
    const double psql = medianSeconds([&] {
        QProcess run;
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start("psql", {"-X", "-q", "-A", "-t", "-h", host, "-U", "sys", "-d", "kemra_erp", "-c", statement});
        run.waitForFinished(-1);
    }, Repeats);
    report.w_Report->open();
    const ReportDocument document = report.pages(reportTitle(report.titlePrefix(), From, To));
    report.w_Report->close();
    const double drawing = medianSeconds([&] { writeBaseline(document, dir.filePath("baseline.pdf")); }, Repeats);

    std::printf("detailed report by workers, 2024: %d rows, %d pages: query %.3f s, first page %.3f s, "
                "query + layout %.3f s, + PDF %.3f s; psql %.3f s + plain drawing %.3f s = %.3f s, ratio %.2f (median of %d)\n",
                rows, pages, query, firstPage, layout, ours, psql, drawing, psql + drawing, ours / (psql + drawing), Repeats);
    std::printf("peak memory (VmHWM) %.1f MB\n", peakKilobytes() / 1024.0);

    // The year laid out as the preview holds it, then released and trimmed as on its close.
    malloc_trim(0);
    resetPeak();
    const long before = statusKilobytes("VmRSS");
    long peak = 0;
    {
        prepareReportQuery(*report.w_Report, From, To, AllProducts);
        DatasetReader reader(*report.w_Report);
        ReportBuilder builder(report.layoutFor(From, To), reader.columns());
        QVector<QVariant> row;
        while (reader.next(row))
            builder.addRow(row);
        builder.finish();
        peak = statusKilobytes("VmHWM");
    }
    malloc_trim(0);
    const long after = statusKilobytes("VmRSS");
    // The floor: psql holding the statement's rows (its own process), and the same texts drawn
    // straight into a QPdfWriter here.
    resetPeak();
    const long drawingBefore = statusKilobytes("VmRSS");
    writeBaseline(document, dir.filePath("baseline.pdf"));
    const long drawingPeak = statusKilobytes("VmHWM") - drawingBefore;
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("resident memory (VmRSS): %.1f MB before the layout, peak %.1f MB (+%.1f), %.1f MB after release; "
                "floor: psql %.1f MB + plain drawing +%.1f MB\n",
                megabytes(before), megabytes(peak), megabytes(peak - before), megabytes(after),
                megabytes(children.ru_maxrss), megabytes(drawingPeak));
    return 0;
}
