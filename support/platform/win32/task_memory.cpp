// The system's task allocator, so that a host frees our blocks with CoTaskMemFree.
#include "support/platform/task_memory.h"

#include <objbase.h>

#include <cstring>

namespace tz::platform {

void* systemTaskAllocate(size_t bytes) {
  void* block = CoTaskMemAlloc(bytes);
  if (block != nullptr) memset(block, 0, bytes);
  return block;
}

void taskFree(void* block) {
  CoTaskMemFree(block);
}

}  // namespace tz::platform
