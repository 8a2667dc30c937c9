// The memory-token tests' other process: this program re-run as a peer holding a private
// buffer, a section and (where handles are descriptors) handles that are not sections.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "process_memory.h"
#include "support/platform/named_event.h"
#include "support/platform/shared_section.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"
#include "tests/support/core/memory_token_fields.h"

namespace tz::test {

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
    if (memoryOf(pid(), record->privateAddress, 1).empty())
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
