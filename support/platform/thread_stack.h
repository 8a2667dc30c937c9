// The calling thread's stack region, which a crash report shows and reads up to its end.
#pragma once

#include <cstdint>

namespace tz::platform {

struct StackRegion {
  uintptr_t low = 0;  // the stack is [low, high); both 0 when unknown
  uintptr_t high = 0;
  bool known() const { return low < high; }
};

// A guarded thread's stack as the thread library reported it when the guard started (for its
// threads the region's top also holds the thread's control block); for other threads, the
// memory mapping that holds the caller's stack pointer. No allocation, no lock; safe in a
// signal handler.
StackRegion currentThreadStack();

}  // namespace tz::platform
