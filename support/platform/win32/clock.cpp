// Clocks on the system's own: the tick count, the performance counter and its frequency.
#include "support/platform/clock.h"

#include <windows.h>
#include <x86intrin.h>

namespace tz::platform {

uint32_t tickCountMs() {
  return GetTickCount();
}

int64_t highResCounter() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

int64_t highResFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

uint64_t cycleCounter() {
  return __rdtsc();
}

void sleepMs(uint32_t ms) {
  Sleep(ms);
}

}  // namespace tz::platform
