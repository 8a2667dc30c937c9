// Each set is sorted on its own, which keeps them apart in the one array; a figure of every
// block is then read from the two sorted ranges as if merged.
#include "standins/rwmixer/run_stats.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstddef>

namespace tz::mixer {
namespace {

// The sample of rank `index` (from 0) in the merge of two sorted ranges; index < a + b.
uint32_t mergedAt(std::span<const uint32_t> a, std::span<const uint32_t> b, size_t index) {
  size_t i = 0;
  size_t j = 0;
  for (;;) {
    const bool fromA = j == b.size() || (i < a.size() && a[i] <= b[j]);
    if (i + j == index) return fromA ? a[i] : b[j];
    if (fromA) {
      ++i;
    } else {
      ++j;
    }
  }
}

void printDriveTimes(std::FILE* out, const char* name, DriveTimes& times, DriveSet set) {
  std::fprintf(out, "%s: p50 %.1f, p99 %.1f, max %.1f (%zu blocks)\n", name,
               times.percentile(set, 50) / 1000.0, times.percentile(set, 99) / 1000.0,
               times.percentile(set, 100) / 1000.0, times.count(set));
}

}  // namespace

uint32_t DriveTimes::percentile(DriveSet set, double p) {
  const size_t n = count(set);
  if (n == 0) return 0;
  if (!sorted_) {
    std::sort(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(servedEnd_));
    std::sort(samples_.begin() + static_cast<std::ptrdiff_t>(unservedBegin_), samples_.end());
    sorted_ = true;
  }
  const double rank = std::ceil(p / 100.0 * static_cast<double>(n));
  const size_t index = std::clamp<size_t>(rank < 1 ? 1 : static_cast<size_t>(rank), 1, n) - 1;
  return set == DriveSet::Served ? served()[index] : mergedAt(served(), unserved(), index);
}

void printSummary(std::FILE* out, const RunCounters& counters, DriveTimes& times) {
  std::fprintf(out, "blocks: %" PRIu64 "\n", counters.blocks);
  std::fprintf(out, "served: %" PRIu64 " (partly: %" PRIu64 ")\n", counters.served,
               counters.partial);
  std::fprintf(out, "not served: %" PRIu64 "\n", counters.notServed);
  std::fprintf(out, "time-outs: %" PRIu64 "\n", counters.timeouts);
  std::fprintf(out, "late blocks: %" PRIu64 "\n", counters.late);
  std::fprintf(out, "writer waits: %" PRIu64 "\n", counters.writerWaits);
  const EventCounts& e = counters.events;
  std::fprintf(out,
               "events: play %" PRIu64 ", stop %" PRIu64 ", reposition %" PRIu64 ", loop %" PRIu64
               ", other %" PRIu64 ", beyond capacity %" PRIu64 "\n",
               e.play, e.stop, e.reposition, e.loop, e.other, e.beyondCapacity);
  printDriveTimes(out, "drive time us", times, DriveSet::All);
  // Figures of zero would read as a fast device rather than one that served nothing.
  if (times.count(DriveSet::Served) == 0) {
    std::fprintf(out, "drive time served us: none\n");
  } else {
    printDriveTimes(out, "drive time served us", times, DriveSet::Served);
  }
}

}  // namespace tz::mixer
