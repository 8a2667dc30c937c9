// A 32-bit word that threads of this process sleep on until it changes, on the system's
// address wait, where a change wakes through the system only while someone sleeps. It stands
// in for std::atomic's wait, whose MinGW build loses wake-ups under Wine.
#pragma once

#include <atomic>
#include <cstdint>

namespace tz::platform {

class SleepWord {
 public:
  uint32_t load(std::memory_order order = std::memory_order_seq_cst) const {
    return word_.load(order);
  }
  void store(uint32_t value, std::memory_order order = std::memory_order_seq_cst) {
    word_.store(value, order);
  }
  uint32_t fetchAdd(uint32_t value, std::memory_order order = std::memory_order_seq_cst) {
    return word_.fetch_add(value, order);
  }

  // Sleeps while the word equals expected; may also return early, so callers check again.
  void wait(uint32_t expected);
  // After a change: wakes a sleeper, with no system call when there is none.
  void wakeOne();

 private:
  std::atomic<uint32_t> word_{0};
  std::atomic<uint32_t> sleepers_{0};
  static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));
};

}  // namespace tz::platform
