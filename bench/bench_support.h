#pragma once

#include "timings.h"
#include "toolkit/report/report_document.h"

#include <QString>
#include <vector>

// What the benchmarks share: timing, the run's peak memory and the plain-drawing baseline.

// The median of `repeats` runs of `work`, in seconds.
template <class F>
double medianSeconds(F&& work, int repeats)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i)
        times.push_back(seconds(work));
    return median(times);
}

// A memory line of /proc/self/status ("VmRSS", "VmHWM"), in kilobytes; -1 when unknown.
long statusKilobytes(const QByteArray& field);
// Peak resident memory of the process so far (VmHWM), in kilobytes; -1 when unknown.
long peakKilobytes();

// The texts of finished pages drawn where they stand, with no layout and no fills or lines,
// straight into a QPdfWriter.
void writeBaseline(const ReportDocument& document, const QString& path);
