// The kernel's priority-inheriting futex: the word holds the owner's thread id, and the
// kernel sets its waiters bit and boosts the owner while a thread sleeps on it.
#include "support/platform/priority_lock.h"

#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "support/platform/this_thread.h"

namespace tz::platform {
namespace {

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);

long futexPi(uint32_t* word, int operation) {
  return syscall(SYS_futex, word, operation | FUTEX_PRIVATE_FLAG, 0, nullptr, nullptr, 0);
}

}  // namespace

void PriorityLock::lock() {
  if (tryLock()) return;
  // The kernel takes the lock for us; a signal or an owner on its way out means try again.
  for (;;) {
    if (futexPi(&word_, FUTEX_LOCK_PI) == 0) {
      depth_ = 1;
      return;
    }
    if (errno != EINTR && errno != EAGAIN) break;
  }
  // A kernel that refuses the call: take the lock without inheritance rather than not at all.
  while (!tryLock()) sched_yield();
}

void PriorityLock::unlock() {
  if (--depth_ != 0) return;
  uint32_t expected = currentThreadId();
  // With the waiters bit set the kernel hands the lock over to the best waiter.
  if (!std::atomic_ref<uint32_t>(word_).compare_exchange_strong(expected, 0,
                                                                std::memory_order_release))
    futexPi(&word_, FUTEX_UNLOCK_PI);
}

}  // namespace tz::platform
