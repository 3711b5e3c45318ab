#pragma once
// Shared helpers of the benchmark programs.
#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace benchsupport {

// The median time of `runs` calls of f(run index), in milliseconds.
template<typename F>
double medianMs(int runs, F &&f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f(i);
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace benchsupport
