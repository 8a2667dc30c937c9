// The system's task allocator, so that a host frees our blocks with CoTaskMemFree.
#include "support/platform/task_memory.h"

#include <objbase.h>

#include <atomic>
#include <cstring>

namespace tz::platform {

namespace {

std::atomic<bool> failing{false};

}  // namespace

void* taskAllocate(size_t bytes) {
  if (failing.load()) return nullptr;
  if (bytes == 0) bytes = 1;
  void* block = CoTaskMemAlloc(bytes);
  if (block != nullptr) memset(block, 0, bytes);
  return block;
}

void taskFree(void* block) {
  CoTaskMemFree(block);
}

void setTaskAllocationFailing(bool on) {
  failing.store(on);
}

}  // namespace tz::platform
