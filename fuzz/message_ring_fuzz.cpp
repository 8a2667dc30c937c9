// The engine stand-in's message ring over a section whose header and bytes another process
// wrote: a ring it accepts never reads or writes outside the section, never hands out more
// than its largest message, and what is sent through it afterwards comes back unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "standins/rewire_engine/message_ring.h"

namespace {

using tz::engine::ConnectionHeader;
using tz::engine::MessageRing;

constexpr size_t kSectionBytes = sizeof(ConnectionHeader) + 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the section's size, so that a step outside it is caught.
  std::vector<uint8_t> section(kSectionBytes);
  std::memcpy(section.data(), data, std::min(size, section.size()));
  auto& header = *reinterpret_cast<ConnectionHeader*>(section.data());
  MessageRing ring;
  if (!ring.attach(section.data(), section.size(), header.rings[0])) return 0;

  // Whatever the hostile indices say, reading ends: every message read moves the index on.
  std::vector<uint8_t> buffer(ring.maxMessage());
  ring.pendingBytes();
  for (int i = 0; i < 4096; ++i) {
    uint16_t length = 0;
    if (ring.read(buffer.data(), &length) != 1 || length == 0) break;
    if (length > ring.maxMessage()) std::abort();
  }

  // Sends after the ring was emptied, each read straight back.
  ring.discardPending();
  const uint8_t* rest = data + std::min(size, section.size());
  size_t left = size - std::min(size, section.size());
  while (left > 0) {
    const uint32_t length = std::min<uint32_t>(1 + rest[0] % ring.maxMessage(), left);
    if (ring.send(rest, length) != 1) break;
    uint16_t got = 0;
    if (ring.read(buffer.data(), &got) != 1 || got != length ||
        std::memcmp(buffer.data(), rest, length) != 0)
      std::abort();
    rest += length;
    left -= length;
  }
  return 0;
}
