// Timers on an injected clock, so that any counter frequency can be run exactly, and on the
// machine's own clocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "support/time/timer_internal.h"
#include "tz/timer.h"

namespace {

using tz::time::TimerMode;
using tz::time::timerState;

struct FakeClock {
  static inline uint32_t tick = 0;
  static inline int64_t frequency = 0;
  static inline int64_t counter = 0;
  static inline uint64_t cycles = 0;
  static inline uint64_t cyclesPerMs = 0;  // cycles that pass while the fake sleeps
  static inline uint32_t slept = 0;

  static tz::time::TimerClockSource source(int64_t f, bool ntClass = true) {
    tick = 0, frequency = f, counter = 0, cycles = 0, cyclesPerMs = 0, slept = 0;
    return {[] { return tick; },
            [](int64_t* out) {
              *out = frequency;
              return frequency != 0;
            },
            [] { return counter; },
            [] { return cycles; },
            [](uint32_t ms) {
              slept += ms;
              tick += ms;
              cycles += cyclesPerMs * ms;
            },
            true,
            ntClass};
  }
};

class TimerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    tz::time::resetTimersForTesting(tz::time::platformTimerClock());
    tz::time::initializeTimers(4);
  }
};

TEST_F(TimerTest, BeforeInitialisationTheTickCountServes) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000));
  FakeClock::tick = 1234;
  EXPECT_EQ(1234000u, TzGetMicrosec());
  EXPECT_EQ(1234u, TzGetMillisec());
  ULONGLONG mark = 1000;
  EXPECT_EQ(234u, TzGetMillisecEx(&mark));
  EXPECT_EQ(234000u, TzDeltaMicrosecEx(&mark));
  EXPECT_EQ(1234u, mark);
}

TEST_F(TimerTest, TickCountDifferencesSurviveTheWrap) {
  tz::time::resetTimersForTesting(FakeClock::source(0));
  tz::time::initializeTimers(4);  // no counter: stays on the tick count
  EXPECT_EQ(TimerMode::TickCount, timerState.mode);
  FakeClock::tick = 0xFFFFFFF0u;
  ULONGLONG mark = 0;
  TzDeltaMillisecEx(&mark);
  FakeClock::tick = 0x10;
  EXPECT_EQ(0x20u, TzGetMillisecEx(&mark));
  EXPECT_EQ(0x20u * 1000, TzGetMicrosecEx(&mark));
}

TEST_F(TimerTest, ColorburstFrequencyUsesTheCorrection) {
  tz::time::resetTimersForTesting(FakeClock::source(3579545));
  FakeClock::counter = 500;
  tz::time::initializeTimers(4);
  EXPECT_EQ(TimerMode::PerformanceCounter, timerState.mode);
  EXPECT_EQ(3579545, timerState.unitsPerSecond);
  EXPECT_EQ(3579u, timerState.unitsPerMillisecond);
  EXPECT_EQ(3u, timerState.unitsPerMicrosecond);
  EXPECT_EQ(1193181u, timerState.correction);
  EXPECT_EQ(500u, timerState.startMark);  // restarted at initialisation
  FakeClock::counter = 500 + 3579545;
  EXPECT_EQ(1000u, TzGetMillisec());
  EXPECT_EQ(1000000u, TzGetMicrosec());
}

TEST_F(TimerTest, TenMegahertzNeedsNoCorrection) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000));
  tz::time::initializeTimers(4);
  EXPECT_EQ(10u, timerState.unitsPerMicrosecond);
  EXPECT_EQ(0u, timerState.correction);
  ULONGLONG mark = 0;
  FakeClock::counter = 10;
  EXPECT_EQ(1u, TzGetMicrosecEx(&mark));
  FakeClock::counter = 25000;
  EXPECT_EQ(2u, TzGetMillisecEx(&mark));
}

TEST_F(TimerTest, DeltaReturnsTimeSincePreviousDeltaAndWrapsTo32Bits) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000));
  tz::time::initializeTimers(4);
  ULONGLONG mark = 0;
  FakeClock::counter = 70;
  TzDeltaMicrosecEx(&mark);
  FakeClock::counter = 70 + 123450;
  EXPECT_EQ(12345u, TzDeltaMicrosecEx(&mark));
  EXPECT_EQ(70u + 123450, mark);
  FakeClock::counter += 30000;
  EXPECT_EQ(3u, TzDeltaMillisecEx(&mark));
  EXPECT_EQ(0u, TzDeltaMillisecEx(&mark));
  // 2^32 + 5 microseconds: the low 32 bits of the true quotient.
  FakeClock::counter += (int64_t{1} << 32) * 10 + 50;
  EXPECT_EQ(5u, TzGetMicrosecEx(&mark));
  EXPECT_EQ(0u, TzGetMicrosecEx(nullptr));
}

TEST_F(TimerTest, ACounterTooCoarseForMicrosecondsIsNotTaken) {
  tz::time::resetTimersForTesting(FakeClock::source(32768));
  tz::time::initializeTimers(4);
  EXPECT_EQ(TimerMode::TickCount, timerState.mode);
  FakeClock::tick = 7;
  EXPECT_EQ(7000u, TzGetMicrosec());
}

TEST_F(TimerTest, LevelZeroKeepsTheTickCount) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000));
  tz::time::initializeTimers(0);
  EXPECT_EQ(TimerMode::TickCount, timerState.mode);
}

TEST_F(TimerTest, CycleCounterIsNeverTakenOnAnNtClassSystem) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000, true));
  tz::time::initializeTimers(5);
  EXPECT_FALSE(timerState.timeStampUsable);
  EXPECT_FALSE(TzTimer_LateInitialize());
  EXPECT_TRUE(timerState.lateInitialized);
  EXPECT_EQ(TimerMode::PerformanceCounter, timerState.mode);
  EXPECT_EQ(0u, FakeClock::slept);
}

TEST_F(TimerTest, CycleCounterCalibratesAgainstTheTick) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000, false));
  FakeClock::tick = 100;
  FakeClock::cycles = 1000000;
  tz::time::initializeTimers(5);
  ASSERT_TRUE(timerState.timeStampUsable);
  // 200 ms pass before the late initialisation; it sleeps the remaining 300.
  FakeClock::tick += 200;
  FakeClock::cycles += 200 * 2999999;
  FakeClock::cyclesPerMs = 2999999;
  EXPECT_TRUE(TzTimer_LateInitialize());
  EXPECT_EQ(300u, FakeClock::slept);
  EXPECT_EQ(TimerMode::TimeStampCounter, timerState.mode);
  // (1499999500 + 250000) / 500000, rounded to nearest.
  EXPECT_EQ(3000u, timerState.unitsPerMicrosecond);
  EXPECT_EQ(3000000u, timerState.unitsPerMillisecond);
  EXPECT_EQ(3000000000, timerState.unitsPerSecond);
  EXPECT_EQ(0u, timerState.correction);
  FakeClock::cycles += 3000 * 1500;
  EXPECT_EQ(1500u, TzGetMicrosec());
  EXPECT_EQ(1u, TzGetMillisec());
}

TEST_F(TimerTest, CycleCounterIsDroppedWhenTheSleepFallsShort) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000, false));
  tz::time::initializeTimers(5);
  ASSERT_TRUE(timerState.timeStampUsable);
  tz::time::activeClock.sleepMs = [](uint32_t) { FakeClock::tick += 100; };
  EXPECT_FALSE(TzTimer_LateInitialize());
  EXPECT_FALSE(timerState.timeStampUsable);
  EXPECT_EQ(TimerMode::PerformanceCounter, timerState.mode);
}

TEST_F(TimerTest, UnstableCycleCounterFailsTheTest) {
  tz::time::resetTimersForTesting(FakeClock::source(10000000, false));
  tz::time::activeClock.cycles = [] { return FakeClock::cycles += 1001; };
  tz::time::initializeTimers(5);
  EXPECT_FALSE(timerState.timeStampUsable);
}

TEST_F(TimerTest, MachineClocksAdvanceInStep) {
  tz::time::resetTimersForTesting(tz::time::platformTimerClock());
  tz::time::initializeTimers(4);
  ASSERT_EQ(TimerMode::PerformanceCounter, timerState.mode);
  ULONGLONG us = 0, ms = 0;
  TzDeltaMillisecEx(&ms);
  TzDeltaMicrosecEx(&us);
  while (TzGetMicrosecEx(&us) < 20000) std::this_thread::yield();
  const DWORD elapsedUs = TzGetMicrosecEx(&us);
  const DWORD elapsedMs = TzGetMillisecEx(&ms);
  EXPECT_GE(elapsedMs, 20u);
  EXPECT_NEAR(elapsedUs / 1000.0, elapsedMs, 2.0);
}

}  // namespace
