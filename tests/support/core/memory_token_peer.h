// The memory-token tests' other process: this program re-run as a peer holding a private
// buffer, a section and descriptors that are not sections. Also tokens, the mapping's fields as
// a caller sees them, and another process's memory read through /proc/<pid>/mem, independently
// of the system call the mapping uses.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/platform/named_event.h"
#include "support/platform/shared_section.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"
#include "tz/memory_token.h"

namespace tz::test {

constexpr size_t PeerPrivateBytes = 8192;
constexpr size_t PeerSectionBytes = 3 * 4096 + 100;  // not a whole number of pages

inline uint8_t peerPattern(size_t i) {
  return static_cast<uint8_t>(i * 7 + 3);
}

// The peer fills this in, in the section "memtoken-peer" that the test made, `ready` last. It
// also holds a socket, a pipe, its own program file and an event.
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

// What is at `address` of process `pid`; empty when not all of it can be read.
inline std::vector<uint8_t> memoryOf(uint32_t pid, uint64_t address, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  const int fd = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
  const ssize_t n = pread64(fd, data.data(), bytes, static_cast<off64_t>(address));
  if (fd >= 0) close(fd);
  return n == static_cast<ssize_t>(bytes) ? data : std::vector<uint8_t>{};
}

inline std::vector<uint8_t> bytesAt(const void* address, size_t bytes) {
  return {static_cast<const uint8_t*>(address), static_cast<const uint8_t*>(address) + bytes};
}

inline std::vector<uint8_t> patternBytes(size_t offset, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = peerPattern(offset + i);
  return data;
}

inline size_t openDescriptorCount() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<size_t>(std::distance(begin(fds), end(fds)));
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

// A test with the peer running; skipped where the system forbids reading a child's memory.
struct PeerFixture : ::testing::Test {
  void SetUp() override {
    quit = platform::NamedEvent::create("memtoken-quit").event;
    const auto made = platform::SharedSection::create("memtoken-peer", sizeof(PeerRecord));
    view = made.section.map(0, 0).view;
    ASSERT_NE(nullptr, view.data());
    record = static_cast<PeerRecord*>(view.data());
    peer.emplace("MemoryTokenPeer.HoldsMemoryUntilToldToQuit");
    ASSERT_TRUE(eventually([&] { return std::atomic_ref<uint32_t>(record->ready).load() != 0; }));
    ASSERT_EQ(0, record->setUpFailed);
    uint8_t byte;
    const iovec mine{&byte, 1}, theirs{reinterpret_cast<void*>(record->privateAddress), 1};
    if (process_vm_readv(peer->pid(), &mine, 1, &theirs, 1, 0) != 1)
      GTEST_SKIP() << "this system does not let a process read its child's memory";
  }
  void TearDown() override {
    quit.set();
    if (peer) peer->wait();
  }
  uint32_t pid() const { return static_cast<uint32_t>(peer->pid()); }
  _tzmemorytoken peerToken(uint32_t offset, uint32_t size) const {
    return privateToken(pid(), record->privateAddress, offset, size);
  }
  std::vector<uint8_t> peerBytes(uint32_t offset, size_t bytes) const {
    return memoryOf(pid(), record->privateAddress + uint64_t{offset}, bytes);
  }

  IsolatedSession session;
  platform::NamedEvent quit;
  platform::SectionView view;
  PeerRecord* record = nullptr;
  std::optional<PeerProcess> peer;
};

}  // namespace tz::test
