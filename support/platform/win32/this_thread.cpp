#include "support/platform/this_thread.h"

#include <windows.h>

#include <bit>

namespace tz::platform {

uint32_t currentThreadIdUncached() {
  return GetCurrentThreadId();
}

uint32_t currentThreadId() {
  thread_local uint32_t id = currentThreadIdUncached();
  return id;
}

uint32_t currentProcessId() {
  return GetCurrentProcessId();
}

uint32_t processorCount() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0) return 1;
  return static_cast<uint32_t>(std::popcount(static_cast<uintptr_t>(process)));
}

}  // namespace tz::platform
