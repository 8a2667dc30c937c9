// The thread's whole reservation, guard page and uncommitted part included, as the system
// keeps it for the thread.
#include "support/platform/thread_stack.h"

#include <windows.h>

namespace tz::platform {

StackRegion currentThreadStack() {
  ULONG_PTR low = 0, high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  if (low >= high) return {};
  return {low, high};
}

}  // namespace tz::platform
