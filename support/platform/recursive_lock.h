// A recursive lock for one process, made of plain words: it needs no construction beyond
// zero-filling, and an unlocked lock may be moved to another address by copying its bytes.
// That lets a container keep it inside a record that callers place and move.
#pragma once

#include <cstdint>

namespace tz::platform {

class RecursiveLock {
 public:
  constexpr RecursiveLock() = default;
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  // Blocks until the lock is free or already held by the calling thread.
  void lock();
  bool tryLock();
  // Must be called by the holder, once per lock().
  void unlock();

  // Reset to the unlocked, zero state (for a copy made while the original was held).
  void reset() { state_ = owner_ = depth_ = 0; }

 private:
  uint32_t state_ = 0;  // 0 free, 1 held, 2 held with waiters
  uint32_t owner_ = 0;  // thread id of the holder
  uint32_t depth_ = 0;
};

}  // namespace tz::platform
