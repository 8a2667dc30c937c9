// The calling thread's and process's system-wide ids, and the processor count of the machine.
#pragma once

#include <cstdint>

namespace tz::platform {

// Non-zero, unique among live threads; cached per thread after the first call.
uint32_t currentThreadId();

// The same id asked of the system each time: no thread-local state, whose first use in a
// loaded library may allocate, so it is safe in a signal handler. One system call.
uint32_t currentThreadIdUncached();

// The calling process's id, as other processes name it.
uint32_t currentProcessId();

// Processors available to this process (at least 1).
uint32_t processorCount();

}  // namespace tz::platform
