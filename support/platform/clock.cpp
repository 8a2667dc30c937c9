#include "support/platform/clock.h"

namespace tz::platform {

// Whole seconds and the rest apart, so that counts × 10^9 cannot overflow on the way.
int64_t nanosecondsFromCounts(int64_t counts, int64_t frequency) {
  constexpr int64_t kNsPerSecond = 1000000000;
  return counts / frequency * kNsPerSecond + counts % frequency * kNsPerSecond / frequency;
}

int64_t highResNs() {
  return nanosecondsFromCounts(highResCounter(), highResFrequency());
}

}  // namespace tz::platform
