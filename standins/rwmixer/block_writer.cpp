// Interleaving happens here rather than on the audio thread, which only hands over the
// device's planar buffers.
#include "standins/rwmixer/block_writer.h"

#include "standins/rwmixer/signal_check.h"

#include <algorithm>

namespace tz::mixer {

void interleaveBlock(const BlockSlot& slot, uint32_t channels, uint32_t stride, float* out) {
  const uint32_t frames = std::min(slot.frames, stride);
  for (uint32_t c = 0; c < channels; ++c) {
    const float* in = slot.samples + size_t{c} * stride;
    const bool served = channelSetHas(slot.served, c);
    for (uint32_t f = 0; f < frames; ++f) out[size_t{f} * channels + c] = served ? in[f] : 0.0f;
  }
}

BlockWriter::BlockWriter(BlockRing& ring, WavWriter* wav, SignalCheck* check)
    : ring_(ring),
      wav_(wav),
      check_(check),
      interleaved_(wav != nullptr ? size_t{wav->channels()} * ring.maxFrames() : 0) {}

void BlockWriter::run() {
  bool writing = wav_ != nullptr;
  while (const BlockSlot* slot = ring_.next()) {
    if (check_ != nullptr) check_->check(*slot, ring_.maxFrames());
    if (writing) {
      interleaveBlock(*slot, wav_->channels(), ring_.maxFrames(), interleaved_.data());
      writing = wav_->write(interleaved_.data(), std::min(slot->frames, ring_.maxFrames()));
    }
    ring_.release();
  }
}

}  // namespace tz::mixer
