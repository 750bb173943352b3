#pragma once

// Median and range of repeated timings, as the benchmarks print them.
#include <QVector>
#include <algorithm>
#include <cstdio>

inline double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

inline void printTimings(const char* name, const QVector<double>& ms)
{
    std::printf("%-30s median %8.3f ms  min %8.3f  max %8.3f\n", name, median(ms), *std::min_element(ms.begin(), ms.end()),
                *std::max_element(ms.begin(), ms.end()));
}
