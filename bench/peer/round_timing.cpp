// Alternating rounds of timed batches; see round_timing.h.
#include "bench/peer/round_timing.h"

#include <algorithm>
#include <chrono>

namespace tz::bench {

namespace {

double batchNs(const std::function<void()>& call, long reps) {
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < reps; ++i) call();
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / static_cast<double>(reps);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

std::vector<double> medianNsPerCall(const std::vector<std::function<void()>>& calls, int rounds,
                                    double batchNs) {
  long reps = 1;
  for (;;) {
    double slowest = 0;
    for (const auto& call : calls) slowest = std::max(slowest, tz::bench::batchNs(call, reps));
    if (slowest * static_cast<double>(reps) >= batchNs) break;
    reps *= 2;
  }
  std::vector<std::vector<double>> samples(calls.size());
  for (int round = 0; round < rounds; ++round)
    for (size_t i = 0; i < calls.size(); ++i)
      samples[i].push_back(tz::bench::batchNs(calls[i], reps));
  std::vector<double> medians;
  for (const auto& s : samples) medians.push_back(median(s));
  return medians;
}

}  // namespace tz::bench
