#include "support/platform/this_thread.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace tz::platform {

uint32_t currentThreadIdUncached() {
  return static_cast<uint32_t>(syscall(SYS_gettid));
}

uint32_t currentThreadId() {
  thread_local uint32_t id = currentThreadIdUncached();
  return id;
}

uint32_t currentProcessId() {
  return static_cast<uint32_t>(getpid());
}

uint32_t processorCount() {
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<uint32_t>(n) : 1;
}

}  // namespace tz::platform
