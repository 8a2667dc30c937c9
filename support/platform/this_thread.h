// The calling thread's system-wide id, and the processor count of the machine.
#pragma once

#include <cstdint>

namespace tz::platform {

// Non-zero, unique among live threads; cached per thread after the first call.
uint32_t currentThreadId();

// Processors available to this process (at least 1).
uint32_t processorCount();

}  // namespace tz::platform
