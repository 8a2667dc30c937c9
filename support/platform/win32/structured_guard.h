// Guarded work on structured exceptions, shared by the crash guard and the start-up fault
// guard. Neutral types only: crash_guard.h's records are the system's own in layout but not in
// name, so the two never meet in one source.
#pragma once

#include "support/platform/platform_error.h"

namespace tz::platform {

// Called with the system's EXCEPTION_POINTERS; 1 ends the work, anything else passes it on.
using SystemFilter = long(__attribute__((stdcall)) *)(const void* pointers, const char* name);

struct GuardOutcome {
  PlatformError status = PlatformError::Success;
  bool ended = false;
  unsigned long code = 0;
};

// Runs work(context) with an exception frame of its own, so that frames inside the work take
// their exceptions first and the host's frames and top-level filter get what it passes on.
// Only processor faults reach the filter. With ownStack the filter runs on a stack of its own
// (a stack overflow leaves none); NotEnoughMemory when that cannot be had.
GuardOutcome runUnderExceptionFrame(void (*work)(void*), void* context, SystemFilter filter,
                                    const char* name, bool ownStack);

}  // namespace tz::platform
