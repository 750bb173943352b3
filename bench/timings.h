#pragma once

// Timing and the median and range of repeated timings, as the benchmarks print them.
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

// Seconds `work` takes.
template <class F>
double seconds(F&& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

// The middle value (the mean of the two middle ones for an even count).
template <class Values>
double median(Values values)
{
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <class Values>
void printTimings(const char* name, const Values& ms)
{
    std::printf("%-30s median %8.3f ms  min %8.3f  max %8.3f\n", name, median(ms), *std::min_element(ms.begin(), ms.end()),
                *std::max_element(ms.begin(), ms.end()));
}
