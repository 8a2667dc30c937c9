// What the backends' priority locks share: taking a free lock, or re-entering one's own.
#include "support/platform/priority_lock.h"

#include <atomic>

#include "support/platform/this_thread.h"

namespace tz::platform {

// The holder's id is the word without its two top bits, where the backends keep their waiters
// bit (the kernel's, on Linux); thread ids stay below them on both systems.
constexpr uint32_t kHolderMask = 0x3FFFFFFF;

bool PriorityLock::tryLock() {
  const uint32_t me = currentThreadId();
  std::atomic_ref<uint32_t> word(word_);
  if ((word.load(std::memory_order_relaxed) & kHolderMask) == me) {
    ++depth_;
    return true;
  }
  uint32_t expected = 0;
  if (!word.compare_exchange_strong(expected, me, std::memory_order_acquire)) return false;
  depth_ = 1;
  return true;
}

}  // namespace tz::platform
