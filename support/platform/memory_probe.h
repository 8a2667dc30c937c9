// Tells whether a range of this process's memory can be read, without touching it.
#pragma once

#include <cstddef>

namespace tz::platform {

// True if every byte of [address, address + bytes) is mapped readable. One system call.
bool isReadable(const void* address, size_t bytes);

}  // namespace tz::platform
