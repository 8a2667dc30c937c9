// Another process's memory and the handles a memory-token peer holds besides its section, for
// the memory-token tests. Declared without windows.h (process_memory.cpp has it), so that tests
// using the library's own records of the system's types can include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tz::test {

// The handles this process has open.
size_t openHandleCount();

// What is at `address` of process `pid`; empty when not all of it can be read.
std::vector<uint8_t> memoryOf(uint32_t pid, uint64_t address, size_t bytes);

// The handles of other kinds that the section tests offer as sections are POSIX's descriptors;
// nothing is opened here (`unlocked` is -1).
inline bool holdOtherHandles(const char*, int32_t& unlocked) {
  unlocked = -1;
  return true;
}

}  // namespace tz::test
