#pragma once

#include "toolkit/report/report_document.h"

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <vector>

// What the benchmarks share: timing, the run's peak memory and the plain-drawing baseline.

// The median of `repeats` runs of `work`, in seconds.
template <class F>
double medianSeconds(F&& work, int repeats)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

// Peak resident memory of the process so far (VmHWM), in kilobytes; -1 when unknown.
long peakKilobytes();

// The texts of finished pages drawn where they stand, with no layout and no fills or lines,
// straight into a QPdfWriter.
void writeBaseline(const ReportDocument& document, const QString& path);
