#include "support/platform/task_memory.h"

#include <cstdlib>

namespace tz::platform {

void* systemTaskAllocate(size_t bytes) {
  return calloc(1, bytes);
}

void taskFree(void* block) {
  free(block);
}

}  // namespace tz::platform
