// Blocks on their way from the audio thread to the file writer: a single-producer,
// single-consumer ring of channel buffers. The producer never allocates or locks; either
// side waits (on the system's address wait) only when the ring is full or empty.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "support/platform/sleep_word.h"
#include "tz/rewire_device.h"

namespace tz::mixer {

// The transport of the block as the mixer sent it.
struct BlockTransport {
  int32_t songPosition = 0;  // ticks, 15360 per quarter note
  uint32_t tempo = 0;        // beats per minute × 1000
  uint32_t rate = 0;
  uint32_t playMode = 0;
  uint32_t loopOn = 0;
  int32_t loopStart = 0;
  int32_t loopEnd = 0;
  bool afterQuit = false;  // the panel has been asked to quit: it may be gone
};

struct BlockSlot {
  uint32_t frames = 0;
  BlockTransport transport;
  ChannelSet served{};
  float* samples = nullptr;  // channel c at samples + c × maxFrames
};

class BlockRing {
 public:
  // Not for the audio thread: allocates slotCount slots of channels × maxFrames samples.
  BlockRing(uint32_t channels, uint32_t maxFrames, uint32_t slotCount);
  BlockRing(const BlockRing&) = delete;
  BlockRing& operator=(const BlockRing&) = delete;

  uint32_t maxFrames() const { return maxFrames_; }

  // Producer. The next free slot, waiting for the consumer while the ring is full (`waited`
  // then tells so); fill it, then publish it.
  BlockSlot& acquire(bool& waited);
  void publish();
  // After the last block: the consumer drains what is left and then sees the end.
  void close();

  // Consumer. The oldest published slot, waiting while the ring is empty; null once the
  // ring is closed and drained. Release it when done with it.
  const BlockSlot* next();
  void release();

 private:
  uint32_t maxFrames_;
  std::vector<float> samples_;
  std::vector<BlockSlot> slots_;
  std::atomic<uint32_t> head_{0};  // slots published
  tz::platform::SleepWord tail_;   // slots released
  // Bumped on every publish and on close: the word the consumer waits on.
  tz::platform::SleepWord signal_;
  std::atomic<bool> closed_{false};
  static_assert(std::atomic<uint32_t>::is_always_lock_free);
};

}  // namespace tz::mixer
