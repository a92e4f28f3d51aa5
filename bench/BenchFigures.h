#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>

#include <algorithm>
#include <unistd.h>

// Figures the benchmarks print: resident memory and medians.
namespace BenchFigures {

// This process's resident set in MiB, or -1 where /proc cannot tell.
inline double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : -1;
}

// The median of the runs (the mean of the middle two for an even count).
inline double median(QList<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace BenchFigures
