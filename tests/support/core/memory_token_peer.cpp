// The peer program of the memory-token tests (see memory_token_peer.h).
#include "tests/support/core/memory_token_peer.h"

#include <sys/socket.h>

#include <cstdlib>

#include "support/platform/posix/named_object_path.h"

namespace {

using namespace tz::test;
using tz::platform::NamedEvent;
using tz::platform::SharedSection;

alignas(64) uint8_t peerPrivate[PeerPrivateBytes];

int openOrFail(const char* path) {
  return path == nullptr ? -1 : open(path, O_RDWR);
}

TEST(MemoryTokenPeer, HoldsMemoryUntilToldToQuit) {
  TZ_PEER_ONLY();
  const SharedSection record = SharedSection::open(PeerRecordName).section;
  const auto view = record.map(0, 0).view;
  ASSERT_NE(nullptr, view.data());
  auto& out = *static_cast<PeerRecord*>(view.data());
  auto quit = NamedEvent::open(PeerQuitName).event;

  for (size_t i = 0; i < PeerPrivateBytes; ++i) peerPrivate[i] = peerPattern(i);
  const SharedSection section = SharedSection::create(PeerSectionName, PeerSectionBytes).section;
  if (auto data = section.map(0, 0).view; data.data() != nullptr) {
    for (size_t i = 0; i < PeerSectionBytes; ++i)
      static_cast<uint8_t*>(data.data())[i] = peerPattern(i);
  }
  int sockets[2] = {-1, -1}, pipes[2] = {-1, -1};
  const bool made = socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) == 0 && pipe(pipes) == 0;
  std::string sectionFile;
  tz::platform::posix::objectPath(tz::platform::posix::ObjectKind::Section, PeerSectionName,
                                  sectionFile);

  out.privateAddress = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(peerPrivate));
  out.section = section.handle();
  out.socket = sockets[0];
  out.pipe = pipes[0];
  out.outsideFile = openOrFail(getenv(PeerOutsideVariable));
  out.unlockedSection = openOrFail(sectionFile.c_str());
  out.setUpFailed = !made || out.section < 0 || out.outsideFile < 0 || out.unlockedSection < 0;
  std::atomic_ref<uint32_t>(out.ready).store(1);
  quit.wait(60000);
}

}  // namespace
