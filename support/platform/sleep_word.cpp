// A sleeper counts itself before it looks at the word, and a waker looks at the count after it
// changed the word, both in the one total order: either the sleeper sees the change, or the
// waker sees the sleeper. The system's wait compares the word again as it sleeps.
#include "support/platform/sleep_word.h"

#include "support/platform/word_wait.h"

namespace tz::platform {

void SleepWord::wait(uint32_t expected) {
  sleepers_.fetch_add(1, std::memory_order_seq_cst);
  if (word_.load(std::memory_order_seq_cst) == expected)
    waitOnWord(reinterpret_cast<uint32_t*>(&word_), expected);
  sleepers_.fetch_sub(1, std::memory_order_release);
}

void SleepWord::wakeOne() {
  std::atomic_thread_fence(std::memory_order_seq_cst);
  if (sleepers_.load(std::memory_order_relaxed) != 0)
    wakeOneOnWord(reinterpret_cast<uint32_t*>(&word_));
}

}  // namespace tz::platform
