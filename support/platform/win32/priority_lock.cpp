// A word lock with lending done by hand, since the system lends nothing: a waiter of higher
// priority raises the holder to its own level before it sleeps, and records the level the
// holder had, which the holder takes back when it lets go. The waiter suspends the holder
// while it checks and raises, so the holder cannot let go in between and keep a raise it no
// longer needs.
#include "support/platform/priority_lock.h"

#include <windows.h>

#include <atomic>

#include "support/platform/this_thread.h"
#include "support/platform/word_wait.h"

namespace tz::platform {
namespace {

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);
static_assert(std::atomic_ref<uint64_t>::is_always_lock_free);

// Thread ids are multiples of four far below this bit.
constexpr uint32_t kWaiters = 0x80000000;
constexpr uint32_t kIdMask = 0x3FFFFFFF;
constexpr int kLevelBias = 64;  // keeps a recorded level (-15..15) non-zero

uint64_t lending(uint32_t holder, int level) {
  return (uint64_t{holder} << 32) | static_cast<uint32_t>(level + kLevelBias);
}

// Raises the holder to the caller's level if that is higher, while the holder still holds.
void lendPriority(uint32_t* word, uint64_t* lent, uint32_t holder) {
  const int mine = GetThreadPriority(GetCurrentThread());
  // The full query and set rights, which a thread of our own always grants: Wine refuses the
  // limited ones here.
  const HANDLE thread = OpenThread(
      THREAD_SUSPEND_RESUME | THREAD_QUERY_INFORMATION | THREAD_SET_INFORMATION, FALSE, holder);
  if (thread == nullptr) return;
  if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
    if ((std::atomic_ref<uint32_t>(*word).load() & kIdMask) == holder) {
      const int theirs = GetThreadPriority(thread);
      if (theirs != THREAD_PRIORITY_ERROR_RETURN && mine > theirs) {
        // The first lender records the holder's own level; later ones find it recorded.
        uint64_t none = 0;
        std::atomic_ref<uint64_t>(*lent).compare_exchange_strong(none, lending(holder, theirs));
        SetThreadPriority(thread, mine);
      }
    }
    ResumeThread(thread);
  }
  CloseHandle(thread);
}

// After letting go: takes back the level a lender recorded for the caller. A record of the
// next holder's is left alone.
void takeBackPriority(uint64_t* lent, uint32_t me) {
  std::atomic_ref<uint64_t> record(*lent);
  uint64_t mine = record.load();
  if (mine >> 32 != me || !record.compare_exchange_strong(mine, 0)) return;
  SetThreadPriority(GetCurrentThread(), static_cast<int>(mine & 0xFFFFFFFF) - kLevelBias);
}

}  // namespace

void PriorityLock::lock() {
  if (tryLock()) return;
  const uint32_t me = currentThreadId();
  std::atomic_ref<uint32_t> word(word_);
  for (;;) {
    uint32_t seen = word.load(std::memory_order_relaxed);
    // Taken after a wait with the waiters bit set, since others may still sleep.
    if (seen == 0) {
      if (word.compare_exchange_strong(seen, me | kWaiters, std::memory_order_acquire)) break;
      continue;
    }
    if ((seen & kWaiters) == 0 && !word.compare_exchange_strong(seen, seen | kWaiters)) continue;
    lendPriority(&word_, &lent_, seen & kIdMask);
    waitOnWord(&word_, seen | kWaiters);
  }
  depth_ = 1;
}

void PriorityLock::unlock() {
  if (--depth_ != 0) return;
  const uint32_t before = std::atomic_ref<uint32_t>(word_).exchange(0, std::memory_order_release);
  if ((before & kWaiters) == 0) return;
  takeBackPriority(&lent_, before & kIdMask);
  wakeOneOnWord(&word_);
}

}  // namespace tz::platform
