// The counters run freely and wrap; their difference is the fill, as slot counts stay far
// below 2^32.
#include "standins/rwmixer/block_ring.h"

namespace tz::mixer {

BlockRing::BlockRing(uint32_t channels, uint32_t maxFrames, uint32_t slotCount)
    : maxFrames_(maxFrames), samples_(size_t{channels} * maxFrames * slotCount), slots_(slotCount) {
  for (uint32_t i = 0; i < slotCount; ++i) {
    slots_[i].samples = samples_.data() + size_t{i} * channels * maxFrames;
  }
}

BlockSlot& BlockRing::acquire(bool& waited) {
  const uint32_t head = head_.load(std::memory_order_relaxed);
  waited = false;
  for (uint32_t tail = tail_.load(std::memory_order_acquire); head - tail == slots_.size();
       tail = tail_.load(std::memory_order_acquire)) {
    waited = true;
    tail_.wait(tail);
  }
  return slots_[head % slots_.size()];
}

void BlockRing::publish() {
  head_.fetch_add(1, std::memory_order_release);
  signal_.fetchAdd(1, std::memory_order_release);
  // No system call unless the consumer is waiting.
  signal_.wakeOne();
}

void BlockRing::close() {
  closed_.store(true, std::memory_order_release);
  signal_.fetchAdd(1, std::memory_order_release);
  signal_.wakeOne();
}

const BlockSlot* BlockRing::next() {
  for (;;) {
    // Read the signal before the rest: a publish or close after this read changes it, so
    // the wait below cannot miss it. Read the close before the head, so that a close seen
    // comes with every block published before it.
    const uint32_t signal = signal_.load(std::memory_order_acquire);
    const bool closed = closed_.load(std::memory_order_acquire);
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (head_.load(std::memory_order_acquire) != tail) return &slots_[tail % slots_.size()];
    if (closed) return nullptr;
    signal_.wait(signal);
  }
}

void BlockRing::release() {
  tail_.fetchAdd(1, std::memory_order_release);
  tail_.wakeOne();
}

}  // namespace tz::mixer
