#include "support/platform/posix/guarded_threads.h"

#include <atomic>

namespace tz::platform {
namespace {

struct Place {
  std::atomic<uint32_t> thread{0};  // 0: free
  std::atomic<GuardFrame*> frame{nullptr};
};
static_assert(std::atomic<uint32_t>::is_always_lock_free &&
              std::atomic<GuardFrame*>::is_always_lock_free);

Place places[kMaxGuardedThreads];

Place* placeOf(uint32_t thread) {
  for (Place& place : places)
    if (place.thread.load(std::memory_order_acquire) == thread) return &place;
  return nullptr;
}

}  // namespace

bool enterGuard(uint32_t thread, GuardFrame& frame) {
  Place* place = placeOf(thread);
  for (size_t i = 0; place == nullptr && i < kMaxGuardedThreads; ++i) {
    uint32_t expected = 0;
    if (places[i].thread.compare_exchange_strong(expected, thread)) place = &places[i];
  }
  if (place == nullptr) return false;
  frame.outer = place->frame.load(std::memory_order_relaxed);
  // Only this thread reads its place's frame, in its own signal handler.
  place->frame.store(&frame, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  return true;
}

void leaveGuard(uint32_t thread, GuardFrame& frame) {
  Place* place = placeOf(thread);
  if (place == nullptr) return;
  place->frame.store(frame.outer, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (frame.outer == nullptr) place->thread.store(0, std::memory_order_release);
}

GuardFrame* innermostGuard(uint32_t thread) {
  Place* place = placeOf(thread);
  return place != nullptr ? place->frame.load(std::memory_order_relaxed) : nullptr;
}

}  // namespace tz::platform
