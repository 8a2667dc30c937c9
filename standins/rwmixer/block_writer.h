// The consumer thread: takes blocks off the ring, checks them against the test signal, and
// appends them to the WAV file interleaved, with silence for every channel not served.
#pragma once

#include <cstdint>
#include <vector>

#include "standins/rwmixer/block_ring.h"
#include "standins/rwmixer/wav_writer.h"

namespace tz::mixer {

// Interleaves slot.frames frames of `channels` channels, planar at `stride` samples apart in
// the slot, into `out`; a channel not in slot.served becomes zeros.
void interleaveBlock(const BlockSlot& slot, uint32_t channels, uint32_t stride, float* out);

class SignalCheck;

// Either part is optional: the file, the signal check.
class BlockWriter {
 public:
  BlockWriter(BlockRing& ring, WavWriter* wav, SignalCheck* check);
  // Returns once the ring is closed and drained. A failed write ends writing, not draining,
  // so the audio thread never waits for room that does not come.
  void run();

 private:
  BlockRing& ring_;
  WavWriter* wav_;
  SignalCheck* check_;
  std::vector<float> interleaved_;
};

}  // namespace tz::mixer
