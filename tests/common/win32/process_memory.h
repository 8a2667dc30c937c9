// Another process's memory and handles, and the handles a memory-token peer holds besides its
// section, for the memory-token tests. Declared without windows.h (process_memory.cpp has it), so
// that tests using the library's own records of the system's types can include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
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

// Each handle that process `pid` holds, with its kind: the system's name of its object's type in
// lower case ("section", "event", "file", ...), "" when it cannot be told.
std::map<int32_t, std::string> handlesOf(uint32_t pid);

// The kinds of a peer's handles that no section token may map, each of which the peer holds.
inline std::vector<std::string> refusedHandleKinds() {
  return {"event", "file"};
}

}  // namespace tz::test
