// The benchmark's clock and its statistics.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

namespace bench {

// The CPU time of the calling thread, user and system (page faults, file
// reads) together: on a machine shared with other work it counts only what
// the measured code itself spent.
using TimePoint = timespec;

inline TimePoint Now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t;
}

inline double Seconds(TimePoint from, TimePoint to) {
    return static_cast<double>(to.tv_sec - from.tv_sec) +
           static_cast<double>(to.tv_nsec - from.tv_nsec) * 1e-9;
}

// The median; the mean of the two middle values for an even count.
inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

}  // namespace bench
