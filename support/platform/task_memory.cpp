// What the backends' task allocators share: the test hook and the empty request.
#include "support/platform/task_memory.h"

#include <atomic>

namespace tz::platform {
namespace {

std::atomic<bool> failing{false};

}  // namespace

void* taskAllocate(size_t bytes) {
  if (failing.load()) return nullptr;
  return systemTaskAllocate(bytes == 0 ? 1 : bytes);
}

void setTaskAllocationFailing(bool on) {
  failing.store(on);
}

}  // namespace tz::platform
