// One direction of a channel as this process sees it: its own copy of the geometry, checked
// once against the section, and the shared indices. A producer and a consumer in different
// processes need no lock; callers serialise the producers and the consumers of one process.
// Every operation is for the audio path: no allocation, no lock, no system call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "standins/rewire_engine/connection_layout.h"
#include "tz/rewire_engine.h"

namespace tz::engine {

// The ring's status when it holds no room for a message now.
constexpr RWSTATUS kRWNoRoom = kRWOutOfMemory;

class MessageRing {
 public:
  MessageRing() = default;

  // Lays out a new ring in a zeroed section. capacity: a power of two above maxMessage + 4.
  static void format(RingHeader& header, uint32_t dataOffset, uint32_t capacity,
                     uint32_t maxMessage);
  // Takes a ring of a mapped section after checking that its geometry lies inside it.
  bool attach(void* section, size_t sectionBytes, RingHeader& header);

  uint32_t maxMessage() const { return maxMessage_; }
  bool fits(uint32_t size) const;
  // 1 sent; kRWNoRoom when it does not fit now; 9 for a size of 0 or above maxMessage.
  RWSTATUS send(const void* bytes, uint32_t size);
  // 1 and the size (0 when nothing is pending); 9 when the ring is damaged.
  // The buffer must hold maxMessage bytes.
  RWSTATUS read(void* buffer, uint16_t* size);
  // True when nothing is pending (a damaged ring is not empty: its read reports it).
  bool empty() const;
  // Bytes of all pending messages, framing not counted.
  uint32_t pendingBytes() const;
  // Drops every pending message; a consumer's call.
  void discardPending();
  // The producer's running count of bytes sent, framing included; it moves with every send.
  uint32_t produced() const;

 private:
  void copyIn(uint32_t index, const void* bytes, uint32_t size);
  void copyOut(uint32_t index, void* bytes, uint32_t size) const;
  uint32_t used(uint32_t readIndex) const;

  RingHeader* header_ = nullptr;
  uint8_t* data_ = nullptr;
  uint32_t capacity_ = 0;
  uint32_t maxMessage_ = 0;
};

}  // namespace tz::engine
