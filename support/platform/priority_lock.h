// A recursive lock for the threads of one process that inherits priority: a real-time thread
// waiting for it lends its priority to the holder, so a normal-priority thread holding it
// briefly can never keep the real-time one waiting behind other work.
#pragma once

#include <cstdint>

namespace tz::platform {

class PriorityLock {
 public:
  constexpr PriorityLock() = default;
  PriorityLock(const PriorityLock&) = delete;
  PriorityLock& operator=(const PriorityLock&) = delete;

  // Blocks until the lock is free or already held by the calling thread. Audio path: no
  // allocation; no system call when the lock is free or already the caller's (the calling
  // thread's id must have been asked once before, see currentThreadId()).
  void lock();
  bool tryLock();
  // By the holder, once per lock() or successful tryLock(); a system call only when a
  // thread waits.
  void unlock();

  // std::lock_guard and std::unique_lock names.
  bool try_lock() { return tryLock(); }

 private:
  uint32_t word_ = 0;  // the holder's thread id, plus the kernel's waiters bit
  uint32_t depth_ = 0;
  // Where waiters lend their priority by hand (Windows): the holder's id and the priority it
  // had before, which it takes back when it lets go.
  alignas(8) uint64_t lent_ = 0;
};

}  // namespace tz::platform
