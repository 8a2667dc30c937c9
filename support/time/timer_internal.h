// The timers' process-wide state, their clock sources and their initialisation. The clock
// source can be replaced so that counter frequencies other than this machine's can be run.
#pragma once

#include <cstdint>

namespace tz::time {

struct TimerClockSource {
  uint32_t (*tickMs)();                // the millisecond tick (wraps at 2^32)
  bool (*counterFrequency)(int64_t*);  // false when there is no high-resolution counter
  int64_t (*counter)();
  uint64_t (*cycles)();
  void (*sleepMs)(uint32_t);
  bool pentiumClass;  // the processor reports type 586
  bool ntClass;       // the system counts as NT-class (the cycle counter is never trusted)
};

enum class TimerMode : int { TickCount = 0, PerformanceCounter = 1, TimeStampCounter = 5 };

// The six operations on a caller's mark, in the units of one clock.
struct TimerOperations {
  uint32_t (*elapsedUnits)(uint64_t* mark);
  uint32_t (*elapsedMicroseconds)(uint64_t* mark);
  uint32_t (*elapsedMilliseconds)(uint64_t* mark);
  uint32_t (*restart)(uint64_t* mark);
  uint32_t (*deltaMicroseconds)(uint64_t* mark);
  uint32_t (*deltaMilliseconds)(uint64_t* mark);
};

struct TimerState {
  int64_t unitsPerSecond = 1000;
  uint32_t correction = 0;  // counter frequency / units per microsecond, 0 when exactly 10^6
  uint32_t unitsPerMillisecond = 1;
  uint32_t unitsPerMicrosecond = 0;
  TimerMode mode = TimerMode::TickCount;
  uint64_t startMark = 0;
  bool timeStampUsable = false;
  bool lateInitialized = false;
  uint32_t timeStampTestTick = 0;    // the tick and cycle readings of the stability test,
  uint64_t timeStampTestCycles = 0;  // the origin of the calibration
};

const TimerClockSource& platformTimerClock();

// The clock and state the operations read. Unlocked: start-up runs before other threads.
// All of it is constant-initialised, so the library's load may use it before any
// dynamic initialiser has run.
extern TimerClockSource activeClock;
extern TimerState timerState;
extern const TimerOperations kTickCountOperations;
extern const TimerOperations kPerformanceCounterOperations;
extern const TimerOperations kTimeStampCounterOperations;
const TimerOperations& currentTimerOperations();

// Start-up: level 4 switches to the high-resolution counter; 5 and more also tests the
// cycle counter for the late initialisation.
void initializeTimers(int level);
bool lateInitializeTimers();

// Returns the timers to their load-time state on the given clocks.
void resetTimersForTesting(const TimerClockSource& clock);

}  // namespace tz::time
