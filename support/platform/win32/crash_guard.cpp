// The crash guard on structured exceptions (structured_guard.cpp): the filter sees the system's
// own record and context, which crash_guard.h lays out alike. Nothing is installed process-wide.
#include "support/platform/crash_guard.h"

#include "support/platform/win32/structured_guard.h"

namespace tz::platform {

GuardedRun runGuarded(void (*work)(void* context), void* context, CrashFilter filter,
                      const char* threadName) {
  if (work == nullptr || filter == nullptr) return {PlatformError::InvalidParameter};
  const GuardOutcome outcome = runUnderExceptionFrame(
      work, context, reinterpret_cast<SystemFilter>(filter), threadName, true);
  return {outcome.status, outcome.ended, outcome.code};
}

}  // namespace tz::platform
