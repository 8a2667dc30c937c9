// A futex lock (free / held / held with waiters) with an owner and a depth for recursion.
#include "support/platform/recursive_lock.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "support/platform/this_thread.h"

namespace tz::platform {
namespace {

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);

void futexWait(uint32_t* word, uint32_t expected) {
  syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void futexWake(uint32_t* word) {
  syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace

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
  while (state.exchange(2, std::memory_order_acquire) != 0) futexWait(&state_, 2);
  std::atomic_ref<uint32_t>(owner_).store(currentThreadId(), std::memory_order_relaxed);
  depth_ = 1;
}

void RecursiveLock::unlock() {
  if (--depth_ != 0) return;
  std::atomic_ref<uint32_t>(owner_).store(0, std::memory_order_relaxed);
  if (std::atomic_ref<uint32_t>(state_).exchange(0, std::memory_order_release) == 2)
    futexWake(&state_);
}

}  // namespace tz::platform
