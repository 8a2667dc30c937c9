// Timers on an injected clock, so that any counter frequency can be run exactly, and on the
// machine's own clocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "support/time/timer_internal.h"
#include "tests/common/eventually.h"
#include "tz/timer.h"

namespace {

using namespace tz::time;
using enum TimerMode;

// The fake clock's readings. Its sleep advances the tick, and the cycles by cyclesPerMs.
uint32_t tick, slept;
int64_t frequency, counter;
uint64_t cycles, cyclesPerMs;

// Puts the timers, reset, on the fake clock at this counter frequency (0: no counter).
void useFakeClock(int64_t f, bool ntClass = true) {
  tick = slept = 0, frequency = f, counter = 0, cycles = cyclesPerMs = 0;
  resetTimersForTesting({[] { return tick; }, [](int64_t* out) { return (*out = frequency) != 0; },
                         [] { return counter; }, [] { return cycles; },
                         [](uint32_t ms) { slept += ms, tick += ms, cycles += cyclesPerMs * ms; },
                         true, ntClass});
}

auto units() {
  return std::tuple(timerState.unitsPerSecond, timerState.unitsPerMillisecond,
                    timerState.unitsPerMicrosecond, timerState.correction);
}

struct TimerTest : ::testing::Test {
  void TearDown() override {
    resetTimersForTesting(platformTimerClock());
    initializeTimers(4);
  }
};

TEST_F(TimerTest, BeforeInitialisationTheTickCountServes) {
  useFakeClock(10000000);
  tick = 1234;
  EXPECT_EQ(1234000u, TzGetMicrosec());
  EXPECT_EQ(1234u, TzGetMillisec());
  ULONGLONG mark = 1000;
  EXPECT_EQ(234u, TzGetMillisecEx(&mark));
  EXPECT_EQ(234000u, TzDeltaMicrosecEx(&mark));
  EXPECT_EQ(1234u, mark);
}

// Level 4 takes a counter only when there is one fine enough for microseconds.
TEST_F(TimerTest, ModeFollowsTheCounterAndTheLevel) {
  // Frequency, level, mode, and microseconds after 7 ms of ticks and 70 counts.
  const std::tuple<int64_t, int, TimerMode, DWORD> rows[] = {{0, 4, TickCount, 7000},
                                                             {32768, 4, TickCount, 7000},
                                                             {10000000, 0, TickCount, 7000},
                                                             {10000000, 4, PerformanceCounter, 7}};
  for (const auto& [f, level, mode, microseconds] : rows) {
    useFakeClock(f);
    initializeTimers(level);
    tick = 7, counter = 70;
    EXPECT_EQ(mode, timerState.mode) << f << " at level " << level;
    EXPECT_EQ(microseconds, TzGetMicrosec()) << f << " at level " << level;
  }
  // Tick differences survive the wrap.
  useFakeClock(0);
  initializeTimers(4);
  tick = 0xFFFFFFF0u;
  ULONGLONG mark = 0;
  TzDeltaMillisecEx(&mark);
  tick = 0x10;
  EXPECT_EQ(0x20u, TzGetMillisecEx(&mark));
  EXPECT_EQ(0x20u * 1000, TzGetMicrosecEx(&mark));
}

TEST_F(TimerTest, CounterUnitsAndTheColorburstCorrection) {
  useFakeClock(3579545);
  counter = 500;
  initializeTimers(4);
  EXPECT_EQ(std::tuple(3579545, 3579u, 3u, 1193181u), units());
  counter = 500 + 3579545;  // a second after the mark that initialisation restarts
  EXPECT_EQ(std::tuple(1000u, 1000000u), std::tuple(TzGetMillisec(), TzGetMicrosec()));
  // Ten megahertz needs no correction.
  useFakeClock(10000000);
  initializeTimers(4);
  EXPECT_EQ(std::tuple(10000000, 10000u, 10u, 0u), units());
  ULONGLONG mark = 0;
  counter = 10;
  EXPECT_EQ(1u, TzGetMicrosecEx(&mark));
  counter = 25000;
  EXPECT_EQ(2u, TzGetMillisecEx(&mark));
}

TEST_F(TimerTest, DeltaReturnsTimeSincePreviousDeltaAndWrapsTo32Bits) {
  useFakeClock(10000000);
  initializeTimers(4);
  ULONGLONG mark = 0;
  counter = 70;
  TzDeltaMicrosecEx(&mark);
  counter = 70 + 123450;
  EXPECT_EQ(12345u, TzDeltaMicrosecEx(&mark));
  EXPECT_EQ(70u + 123450, mark);
  counter += 30000;
  EXPECT_EQ(3u, TzDeltaMillisecEx(&mark));
  EXPECT_EQ(0u, TzDeltaMillisecEx(&mark));
  // 2^32 + 5 microseconds: the low 32 bits of the true quotient.
  counter += (int64_t{1} << 32) * 10 + 50;
  EXPECT_EQ(5u, TzGetMicrosecEx(&mark));
  EXPECT_EQ(0u, TzGetMicrosecEx(nullptr));
}

TEST_F(TimerTest, CycleCounterIsNeverTakenOnAnNtClassSystemOrWhenUnstable) {
  useFakeClock(10000000, true);
  initializeTimers(5);
  EXPECT_FALSE(timerState.timeStampUsable);
  EXPECT_FALSE(TzTimer_LateInitialize());
  EXPECT_TRUE(timerState.lateInitialized);
  EXPECT_EQ(PerformanceCounter, timerState.mode);
  EXPECT_EQ(0u, slept);
  useFakeClock(10000000, false);
  activeClock.cycles = [] { return cycles += 1001; };
  initializeTimers(5);
  EXPECT_FALSE(timerState.timeStampUsable);
}

TEST_F(TimerTest, CycleCounterCalibratesAgainstTheTick) {
  useFakeClock(10000000, false);
  tick = 100;
  cycles = 1000000;
  initializeTimers(5);
  ASSERT_TRUE(timerState.timeStampUsable);
  // 200 ms pass before the late initialisation; it sleeps the remaining 300.
  tick += 200;
  cycles += 200 * 2999999;
  cyclesPerMs = 2999999;
  EXPECT_TRUE(TzTimer_LateInitialize());
  EXPECT_EQ(300u, slept);
  EXPECT_EQ(TimeStampCounter, timerState.mode);
  // (1499999500 + 250000) / 500000, rounded to nearest.
  EXPECT_EQ(std::tuple(3000000000, 3000000u, 3000u, 0u), units());
  cycles += 3000 * 1500;
  EXPECT_EQ(std::tuple(1500u, 1u), std::tuple(TzGetMicrosec(), TzGetMillisec()));
  // A sleep that falls short drops the cycle counter.
  useFakeClock(10000000, false);
  initializeTimers(5);
  ASSERT_TRUE(timerState.timeStampUsable);
  activeClock.sleepMs = [](uint32_t) { tick += 100; };
  EXPECT_FALSE(TzTimer_LateInitialize());
  EXPECT_FALSE(timerState.timeStampUsable);
  EXPECT_EQ(PerformanceCounter, timerState.mode);
}

TEST_F(TimerTest, MachineClocksAdvanceInStep) {
  resetTimersForTesting(platformTimerClock());
  initializeTimers(4);
  ASSERT_EQ(PerformanceCounter, timerState.mode);
  ULONGLONG ms = 0;
  TzDeltaMillisecEx(&ms);
  ULONGLONG us = ms;  // marks are counter readings: both count from the same instant
  ASSERT_TRUE(tz::test::eventually([&] { return TzGetMicrosecEx(&us) >= 20000; }));
  const DWORD before = TzGetMicrosecEx(&us), elapsedMs = TzGetMillisecEx(&ms),
              after = TzGetMicrosecEx(&us);
  EXPECT_LE(before / 1000, elapsedMs);
  EXPECT_LE(elapsedMs, after / 1000 + 1);
}

}  // namespace
