// Reads this process's memory that may not be readable, without touching it directly: an
// unmapped or unreadable page gives a failed read instead of a fault.
#pragma once

#include <cstddef>

namespace tz::platform {

// True if every byte of [address, address + bytes) is mapped readable (on Windows: committed,
// readable and not a guard page). One system call per page (per region on Windows); no
// allocation, no lock, safe in a signal handler.
bool isReadable(const void* address, size_t bytes);

// Copies [address, address + bytes) to `to`; false when any of it is unreadable (`to` may then
// hold part of it). One system call (and the readability check on Windows); no allocation, no
// lock, safe in a signal handler.
bool readMemory(void* to, const void* address, size_t bytes);

}  // namespace tz::platform
