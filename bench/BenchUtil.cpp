#include "BenchUtil.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

double Measure(const QString& name, int runs, const std::function<void()>& body,
               const std::function<void()>& setup) {
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i <= runs; ++i) {
        if (setup)
            setup();
        QElapsedTimer timer;
        timer.start();
        body();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (i > 0)
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%s: median %.2f ms (min %.2f, max %.2f, %d runs)\n", qPrintable(name), median,
                times.front(), times.back(), runs);
    std::fflush(stdout);
    return median;
}
