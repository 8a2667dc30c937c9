#include "support/platform/task_memory.h"

#include <atomic>
#include <cstdlib>

namespace tz::platform {

namespace {

std::atomic<bool> failing{false};

}  // namespace

void* taskAllocate(size_t bytes) {
  if (failing.load()) return nullptr;
  return calloc(1, bytes == 0 ? 1 : bytes);
}

void taskFree(void* block) {
  free(block);
}

void setTaskAllocationFailing(bool on) {
  failing.store(on);
}

}  // namespace tz::platform
