// The detailed report by workers over a year of the large synthetic floor: the query through
// the program's data path, the layout and the PDF, against psql running the same statement
// plus drawing the same texts straight into a QPdfWriter. Prints the medians, the ratio and
// the run's peak memory.
#include "bench_support.h"
#include "app/application.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "reports/report_layouts.h"
#include "reports/report_statements.h"
#include "toolkit/dataset.h"
#include "toolkit/sql_text.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {
const int Repeats = 3;
const QDate From(2025, 1, 1);
const QDate To(2026, 1, 1);
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
    double query = 0;
    const double ours = medianSeconds([&] {
        QElapsedTimer timer;
        timer.start();
        prepareReportQuery(*report.w_Report, From, To, AllProducts);
        report.w_Report->open();
        query = timer.nsecsElapsed() / 1e9;
        rows = report.w_Report->recordCount();
        const ReportDocument document = report.pages(reportTitle(report.titlePrefix(), From, To));
        pages = int(document.pages.size());
        document.writePdf(dir.filePath("report.pdf"));
        report.w_Report->close();
    }, Repeats);

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

    std::printf("detailed report by workers, 2025: %d rows, %d pages: query %.3f s, query + layout + PDF %.3f s; "
                "psql %.3f s + plain drawing %.3f s = %.3f s, ratio %.2f (median of %d)\n",
                rows, pages, query, ours, psql, drawing, psql + drawing, ours / (psql + drawing), Repeats);
    std::printf("peak memory (VmHWM) %.1f MB\n", peakKilobytes() / 1024.0);
    return 0;
}
