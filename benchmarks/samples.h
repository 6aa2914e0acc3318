// SPDX-License-Identifier: GPL-2.0-or-later
// What every benchmark prints alike: a figure beside its floor measured in
// the same run, their ratio and whether the target is met.
#pragma once

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

using Samples = std::vector<double>;

inline double median(Samples samples)
{
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// Others' work on the machine shows in every figure; it is printed beside them.
inline QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArrayLiteral("unknown");
    }
    return file.readAll().split(' ').mid(0, 3).join(' ');
}

inline void printTableHeader(const char *title)
{
    std::printf("\n%s, load average %s\n", title, loadAverage().constData());
    std::printf("  %-40s %28s   %28s %7s  %s\n", "", "figure: median   min   max", "floor: median   min   max", "ratio", "target");
    std::fflush(stdout);
}

inline void printSamples(const Samples &samples)
{
    const double middle = median(samples);
    const int decimals = middle < 1 ? 3 : 1;
    const auto [min, max] = std::minmax_element(samples.begin(), samples.end());
    std::printf(" %9.*f %8.*f %8.*f  ", decimals, middle, decimals, samples.empty() ? 0 : *min, decimals, samples.empty() ? 0 : *max);
}

// One target: its figure and floor, then on a line of its own what the floor is.
inline void printTarget(const char *label, const Samples &figure, const char *floorName, const Samples &floor, const QByteArray &verdict)
{
    std::printf("  %-40s", label);
    printSamples(figure);
    printSamples(floor);
    std::printf("%7.2f  %s (n=%d)\n", median(floor) > 0 ? median(figure) / median(floor) : 0.0, verdict.constData(), int(figure.size()));
    std::printf("      floor: %s\n", floorName);
    std::fflush(stdout);
}

inline QByteArray verdict(bool met, const QByteArray &target)
{
    return (met ? QByteArrayLiteral("met, ") : QByteArrayLiteral("MISSED, ")) + target;
}
