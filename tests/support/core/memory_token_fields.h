// What the memory-token tests share on every system: tokens as a caller writes them, the
// mapping's fields as a caller sees them, and the pattern the peer's memory holds.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tz/memory_token.h"

namespace tz::test {

constexpr size_t PeerPrivateBytes = 8192;
constexpr size_t PeerSectionBytes = 3 * 4096 + 100;  // not a whole number of pages

inline uint8_t peerPattern(size_t i) {
  return static_cast<uint8_t>(i * 7 + 3);
}

// The peer fills this in, in the section "memtoken-peer" that the test made, `ready` last. It
// also holds an event and, where handles are descriptors, a socket, a pipe and its own program
// file (process_memory.h).
struct PeerRecord {
  uint32_t ready, privateAddress;  // PeerPrivateBytes of peerPattern
  int32_t section;                 // PeerSectionBytes of peerPattern
  int32_t unlockedSection;         // the section's file opened again, without the lock
  int32_t setUpFailed;
};

inline _tzmemorytoken privateToken(uint32_t pid, uint32_t base, uint32_t offset, uint32_t size) {
  return {0, 0, base, 0, size, 0, offset, 0, 0, pid};
}

inline _tzmemorytoken sectionToken(uint32_t pid, int32_t handle, uint32_t offset, uint32_t size) {
  return {static_cast<DWORD>(handle), 0, 0, 0, size, 0, offset, 0, 1, pid};
}

inline uint32_t addressOf(const void* data) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
}

// The mapping's record as a caller that placed the object sees its bytes.
struct MappingFields {
  _tzmemorytoken token;
  uint32_t address;
  int32_t section;
  uint8_t mapped, copied, invalid, writeBack;
  uint32_t held;
};
static_assert(sizeof(MappingFields) == sizeof(CMappingOfTzMemoryToken));

inline MappingFields fieldsOf(const CMappingOfTzMemoryToken& mapping) {
  MappingFields fields;
  memcpy(&fields, static_cast<const void*>(&mapping), sizeof fields);
  return fields;
}

inline std::vector<uint8_t> bytesAt(const void* address, size_t bytes) {
  return {static_cast<const uint8_t*>(address), static_cast<const uint8_t*>(address) + bytes};
}

inline std::vector<uint8_t> patternBytes(size_t offset, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = peerPattern(offset + i);
  return data;
}

inline void expectInvalid(const CMappingOfTzMemoryToken& mapping, const std::string& what) {
  void* address = &address;
  EXPECT_EQ(static_cast<long>(E_FAIL), mapping.GetPointer(&address)) << what;
  EXPECT_EQ(nullptr, address) << what;
  EXPECT_EQ(nullptr, mapping.Pointer()) << what;
  EXPECT_EQ(-1, mapping.DataSize()) << what;
  const MappingFields fields = fieldsOf(mapping);
  EXPECT_TRUE(fields.invalid == 1 && fields.section == -1 && fields.held == 0) << what;
}

}  // namespace tz::test
