// What the scheduler makes of a thread's priority level.
#pragma once

#include <windows.h>

#include <cstdint>

#include "support/platform/thread.h"

namespace tz::test {

// Every process may take every level within its priority class.
inline bool mayRaisePriorities() {
  return true;
}

// The system's own levels are ours, so the thread's level is the one asked for.
inline bool levelInEffect(uint32_t thread, platform::ThreadPriority level) {
  const HANDLE handle = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread);
  if (handle == nullptr) return false;
  const int priority = GetThreadPriority(handle);
  CloseHandle(handle);
  return priority == static_cast<int>(level);
}

// Runs at Time Critical now, its own level or one lent to it.
inline bool runsRealTime(uint32_t thread) {
  return levelInEffect(thread, platform::ThreadPriority::TimeCritical);
}

}  // namespace tz::test
