// The memory-token tests' other process: this program re-run as a peer holding a private
// buffer, a section and descriptors that are not sections. Also another process's memory read
// through /proc/<pid>/mem, independently of the system call the mapping uses, and this one's
// descriptors: the peer suites are POSIX's.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/platform/named_event.h"
#include "support/platform/shared_section.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"
#include "tests/support/core/memory_token_fields.h"

namespace tz::test {

// What is at `address` of process `pid`; empty when not all of it can be read.
inline std::vector<uint8_t> memoryOf(uint32_t pid, uint64_t address, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  const int fd = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
  const ssize_t n = pread64(fd, data.data(), bytes, static_cast<off64_t>(address));
  if (fd >= 0) close(fd);
  return n == static_cast<ssize_t>(bytes) ? data : std::vector<uint8_t>{};
}

inline size_t openDescriptorCount() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<size_t>(std::distance(begin(fds), end(fds)));
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
