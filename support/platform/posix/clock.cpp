// Clocks on the monotonic clock; the high-resolution counter counts nanoseconds.
#include "support/platform/clock.h"

#include <time.h>
#include <x86intrin.h>

namespace tz::platform {
namespace {

int64_t monotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

uint32_t tickCountMs() {
  return static_cast<uint32_t>(monotonicNs() / 1000000);
}

int64_t highResCounter() {
  return monotonicNs();
}

int64_t highResFrequency() {
  return 1000000000;
}

uint64_t cycleCounter() {
  return __rdtsc();
}

void sleepMs(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace tz::platform
