// Percentiles by selection rather than a full sort: the summary wants three values.
#include "standins/rwmixer/run_stats.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstddef>

namespace tz::mixer {

uint32_t DriveTimes::percentile(double p) {
  if (samples_.empty()) return 0;
  const double rank = std::ceil(p / 100.0 * static_cast<double>(samples_.size()));
  const size_t index =
      std::clamp<size_t>(rank < 1 ? 1 : static_cast<size_t>(rank), 1, samples_.size()) - 1;
  std::nth_element(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(index),
                   samples_.end());
  return samples_[index];
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
  const uint32_t p50 = times.percentile(50);
  const uint32_t p99 = times.percentile(99);
  const uint32_t max = times.percentile(100);
  std::fprintf(out, "drive time us: p50 %.1f, p99 %.1f, max %.1f\n", p50 / 1000.0, p99 / 1000.0,
               max / 1000.0);
}

}  // namespace tz::mixer
