#include "support/platform/sleep_word.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using tz::platform::SleepWord;

// Two threads hand a turn back and forth, each sleeping until the other's change: a lost
// wake-up leaves both asleep and the test hangs until its time-out.
TEST(SleepWord, EveryChangeWakesItsSleeper) {
  constexpr uint32_t kTurns = 20000;
  SleepWord turn;
  std::thread other([&] {
    for (uint32_t mine = 1; mine < 2 * kTurns; mine += 2) {
      for (uint32_t seen = turn.load(); seen != mine; seen = turn.load()) turn.wait(seen);
      turn.store(mine + 1);
      turn.wakeOne();
    }
  });
  for (uint32_t mine = 0; mine < 2 * kTurns; mine += 2) {
    for (uint32_t seen = turn.load(); seen != mine; seen = turn.load()) turn.wait(seen);
    turn.store(mine + 1);
    turn.wakeOne();
  }
  other.join();
  EXPECT_EQ(2 * kTurns, turn.load());
}

TEST(SleepWord, AChangedWordDoesNotSleep) {
  SleepWord word;
  word.fetchAdd(3);
  word.wait(0);    // returns at once: the word is not 0
  word.wakeOne();  // nobody sleeps
  EXPECT_EQ(3u, word.load());
}

}  // namespace
