// A word lock (free / held / held with waiters) with an owner and a depth for recursion.
#include "support/platform/recursive_lock.h"

#include <atomic>

#include "support/platform/this_thread.h"
#include "support/platform/word_wait.h"

namespace tz::platform {

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);

bool RecursiveLock::tryLock() {
  const uint32_t me = currentThreadId();
  std::atomic_ref<uint32_t> owner(owner_);
  if (owner.load(std::memory_order_relaxed) == me) {
    ++depth_;
    return true;
  }
  uint32_t expected = 0;
  if (!std::atomic_ref<uint32_t>(state_).compare_exchange_strong(expected, 1,
                                                                 std::memory_order_acquire))
    return false;
  owner.store(me, std::memory_order_relaxed);
  depth_ = 1;
  return true;
}

void RecursiveLock::lock() {
  if (tryLock()) return;
  std::atomic_ref<uint32_t> state(state_);
  // Mark the lock contended before sleeping, so that the holder's unlock wakes us.
  while (state.exchange(2, std::memory_order_acquire) != 0) waitOnWord(&state_, 2);
  std::atomic_ref<uint32_t>(owner_).store(currentThreadId(), std::memory_order_relaxed);
  depth_ = 1;
}

void RecursiveLock::unlock() {
  if (--depth_ != 0) return;
  std::atomic_ref<uint32_t>(owner_).store(0, std::memory_order_relaxed);
  if (std::atomic_ref<uint32_t>(state_).exchange(0, std::memory_order_release) == 2)
    wakeOneOnWord(&state_);
}

}  // namespace tz::platform
