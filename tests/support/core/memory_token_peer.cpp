// The peer program of the memory-token tests (see memory_token_peer.h).
#include "tests/support/core/memory_token_peer.h"

namespace {

using namespace tz::test;
using tz::platform::NamedEvent;
using tz::platform::SharedSection;

alignas(64) uint8_t peerPrivate[PeerPrivateBytes];

TEST(MemoryTokenPeer, HoldsMemoryUntilToldToQuit) {
  TZ_PEER_ONLY();
  const auto view = SharedSection::open("memtoken-peer").section.map(0, 0).view;
  ASSERT_NE(nullptr, view.data());
  auto& out = *static_cast<PeerRecord*>(view.data());
  auto quit = NamedEvent::open("memtoken-quit").event;

  for (size_t i = 0; i < PeerPrivateBytes; ++i) peerPrivate[i] = peerPattern(i);
  const SharedSection section = SharedSection::create("memtoken-data", PeerSectionBytes).section;
  if (auto data = section.map(0, 0).view; data.data() != nullptr)
    memcpy(data.data(), patternBytes(0, PeerSectionBytes).data(), PeerSectionBytes);
  int32_t unlocked = -1;
  const bool made = holdOtherHandles("memtoken-data", unlocked);

  out.privateAddress = addressOf(peerPrivate);
  out.section = section.handle();
  out.unlockedSection = unlocked;
  out.setUpFailed = !made || out.section < 0;
  std::atomic_ref<uint32_t>(out.ready).store(1);
  // Bounded so that a test that died never leaves it behind for long; long enough for the
  // random tokens' copies, which under Wine may be hundreds of megabytes each.
  quit.wait(240000);
}

}  // namespace
