// The threads running guarded work, found by their system thread id from inside a signal
// handler: a fixed table of atomics rather than a thread-local, whose first use in a loaded
// library may allocate, and which a handler on an unguarded thread would then touch.
#pragma once

#include <setjmp.h>

#include <cstdint>

#include "support/platform/crash_guard.h"
#include "support/platform/thread_stack.h"

namespace tz::platform {

// One guarded call, on its caller's stack.
struct GuardFrame {
  sigjmp_buf jump;
  CrashFilter filter = nullptr;
  const char* threadName = nullptr;
  StackRegion stack;
  GuardFrame* outer = nullptr;  // the enclosing guard of the same thread
  volatile DWORD code = 0;      // the fault that ended the work
  volatile bool inFilter = false;
};

constexpr uint32_t kMaxGuardedThreads = 128;

// Makes frame the thread's innermost guard; false when the table is full.
bool enterGuard(uint32_t thread, GuardFrame& frame);
// Puts back the frame's outer guard, freeing the thread's place after the outermost.
void leaveGuard(uint32_t thread, GuardFrame& frame);
// The thread's innermost guard, or null. Safe in a signal handler.
GuardFrame* innermostGuard(uint32_t thread);

}  // namespace tz::platform
