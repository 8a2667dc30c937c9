// A debugger on Windows is whatever the system says is attached (IsDebuggerPresent reads the
// process's own record, no system call).
#include "support/platform/debugger.h"

#include <windows.h>

#include <atomic>

namespace tz::platform {
namespace {

enum Answer : int { kUnknown, kNo, kYes };
std::atomic<int> remembered{kUnknown};

}  // namespace

bool debuggerAttached() {
  int answer = remembered.load(std::memory_order_acquire);
  if (answer == kUnknown) {
    answer = IsDebuggerPresent() ? kYes : kNo;
    remembered.store(answer, std::memory_order_release);
  }
  return answer == kYes;
}

}  // namespace tz::platform
