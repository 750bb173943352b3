// Start-up to the sign-in window against a minimal Qt program that opens the same
// connection and shows one widget. Both run as processes on the same server, alternating, each
// ending as soon as its first window shows; prints the medians and their ratio.
#include "timings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>
#include <cstdlib>

namespace {

double runMs(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s did not show its window\n", qPrintable(program));
        std::exit(1);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup SOCKET_FOLDER\n");
        return 2;
    }
    const QString here = QCoreApplication::applicationDirPath();
    const QStringList arguments{QStringLiteral("kemra_erp"), QString::fromLocal8Bit(argv[1])};
    const QString program = QDir(here).filePath(QStringLiteral("startup_tabel"));
    const QString floor = QDir(here).filePath(QStringLiteral("startup_floor"));
    runMs(program, arguments);   // warms the caches of both
    runMs(floor, arguments);
    const int repeats = 9;
    QVector<double> ours, plain;
    for (int i = 0; i < repeats; ++i) {
        ours << runMs(program, arguments);
        plain << runMs(floor, arguments);
    }
    std::printf("start-up to the first window, %d alternating runs each\n", repeats);
    printTimings("program to sign-in window", ours);
    printTimings("Qt, connection, one widget", plain);
    std::printf("ratio of medians %.2f\n", median(ours) / median(plain));
    return 0;
}
