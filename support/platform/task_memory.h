// The task allocator: memory one module allocates and another frees (the OLE task allocator
// of the original platform, which the Windows backend uses; the POSIX backend uses the C
// library's malloc and free, so either side may use those). Thread-safe; not for the audio
// path.
#pragma once

#include <cstddef>

namespace tz::platform {

// Zero-filled; null when out of memory.
void* taskAllocate(size_t bytes);
void taskFree(void* block);

// Test hook: while set, taskAllocate fails as it would out of memory.
void setTaskAllocationFailing(bool failing);

// The backend's part of taskAllocate: a zero-filled block of bytes (at least 1).
void* systemTaskAllocate(size_t bytes);

}  // namespace tz::platform
