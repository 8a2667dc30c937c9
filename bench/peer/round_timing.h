// The benchmark's one timing routine: calls timed in alternating rounds, so that frequency
// changes and cache state hit every side alike, each side's result the median of its rounds.
#pragma once

#include <functional>
#include <vector>

namespace tz::bench {

// Nanoseconds per call of each call: the median of `rounds` rounds, in each of which every
// call runs once as a batch of the same length, repeated until the slowest batch lasts about
// batchNs. Use an odd count of at least 15 for a stable median of one measured round.
std::vector<double> medianNsPerCall(const std::vector<std::function<void()>>& calls, int rounds,
                                    double batchNs);

}  // namespace tz::bench
