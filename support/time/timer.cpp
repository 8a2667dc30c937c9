// Timer state, start-up and the exported timer functions, which call through the table of
// the clock in use.
#include "tz/timer.h"

#include "support/platform/clock.h"
#include "support/time/timer_internal.h"

namespace tz::time {
namespace {

bool platformFrequency(int64_t* frequency) {
  *frequency = platform::highResFrequency();
  return *frequency > 0;
}

// Every processor this library runs on has the identification instruction, so it reports
// type 586; the system is NT-class, so the cycle counter is never taken.
constexpr TimerClockSource kPlatformClock{platform::tickCountMs,
                                          platformFrequency,
                                          platform::highResCounter,
                                          platform::cycleCounter,
                                          platform::sleepMs,
                                          true,
                                          true};

constinit const TimerOperations* operationsInUse = &kTickCountOperations;

// The stability test: two readings in a row may differ by at most this many cycles.
constexpr uint64_t kStableCycles = 1000;

void testTimeStampCounter() {
  if (!activeClock.pentiumClass || activeClock.ntClass) return;
  const uint64_t first = activeClock.cycles();
  const uint64_t second = activeClock.cycles();
  timerState.timeStampUsable = second - first <= kStableCycles;
  timerState.timeStampTestTick = activeClock.tickMs();
  timerState.timeStampTestCycles = second;
}

}  // namespace

constinit TimerClockSource activeClock = kPlatformClock;
constinit TimerState timerState;

const TimerClockSource& platformTimerClock() {
  return kPlatformClock;
}
const TimerOperations& currentTimerOperations() {
  return *operationsInUse;
}

void initializeTimers(int level) {
  int64_t f = 0;
  // A counter slower than 1 MHz has no whole unit per microsecond; dividing by it would
  // fault, so such a counter is not taken and the tick count stays in use.
  if (level != 0 && timerState.mode == TimerMode::TickCount && activeClock.counterFrequency(&f) &&
      f >= 1000000) {
    timerState.unitsPerSecond = f;
    timerState.unitsPerMillisecond = static_cast<uint32_t>(f / 1000);
    timerState.unitsPerMicrosecond = static_cast<uint32_t>(f / 1000 / 1000);
    const int64_t correction = f / timerState.unitsPerMicrosecond;
    timerState.correction = correction == 1000000 ? 0 : static_cast<uint32_t>(correction);
    operationsInUse = &kPerformanceCounterOperations;
    timerState.mode = TimerMode::PerformanceCounter;
  }
  operationsInUse->restart(&timerState.startMark);
  if (level >= 5) testTimeStampCounter();
}

bool lateInitializeTimers() {
  timerState.lateInitialized = true;
  if (!timerState.timeStampUsable) return timerState.mode == TimerMode::TimeStampCounter;
  uint32_t ms = activeClock.tickMs() - timerState.timeStampTestTick;
  if (ms < 500) {
    activeClock.sleepMs(500 - ms);
    ms = activeClock.tickMs() - timerState.timeStampTestTick;
  }
  if (ms < 450) {
    timerState.timeStampUsable = false;
    return false;
  }
  const uint64_t cycles = activeClock.cycles() - timerState.timeStampTestCycles;
  const uint64_t us = uint64_t{ms} * 1000;
  timerState.unitsPerMicrosecond = static_cast<uint32_t>((cycles + us / 2) / us);
  timerState.unitsPerMillisecond = timerState.unitsPerMicrosecond * 1000;
  timerState.unitsPerSecond = int64_t{timerState.unitsPerMillisecond} * 1000;
  timerState.correction = 0;
  operationsInUse = &kTimeStampCounterOperations;
  timerState.mode = TimerMode::TimeStampCounter;
  // The start mark is in the old clock's units; without a restart every later reading
  // against it would be meaningless.
  operationsInUse->restart(&timerState.startMark);
  return true;
}

void resetTimersForTesting(const TimerClockSource& clock) {
  activeClock = clock;
  timerState = TimerState{};
  operationsInUse = &kTickCountOperations;
}

}  // namespace tz::time

using tz::time::currentTimerOperations;
using tz::time::timerState;

DWORD TZ_STDCALL TzGetMillisec() {
  return currentTimerOperations().elapsedMilliseconds(&timerState.startMark);
}

DWORD TZ_STDCALL TzGetMicrosec() {
  return currentTimerOperations().elapsedMicroseconds(&timerState.startMark);
}

DWORD TZ_STDCALL TzGetMillisecEx(ULONGLONG* mark) {
  return mark ? currentTimerOperations().elapsedMilliseconds(mark) : 0;
}

DWORD TZ_STDCALL TzGetMicrosecEx(ULONGLONG* mark) {
  return mark ? currentTimerOperations().elapsedMicroseconds(mark) : 0;
}

DWORD TZ_STDCALL TzDeltaMillisecEx(ULONGLONG* mark) {
  return mark ? currentTimerOperations().deltaMilliseconds(mark) : 0;
}

DWORD TZ_STDCALL TzDeltaMicrosecEx(ULONGLONG* mark) {
  return mark ? currentTimerOperations().deltaMicroseconds(mark) : 0;
}

BOOL TZ_STDCALL TzTimer_LateInitialize() {
  return tz::time::lateInitializeTimers() ? TRUE : FALSE;
}
