// The three tables of timer operations: the millisecond tick, the high-resolution counter
// and the cycle counter. Every result is the low 32 bits of the true value: a 64-bit
// difference divided by a 32-bit unit count keeps the low half of the quotient.
#include "support/time/timer_internal.h"

namespace tz::time {
namespace {

uint32_t low32(uint64_t v) {
  return static_cast<uint32_t>(v);
}

// A tick mark holds a tick value; the low half of the 64-bit difference is the 32-bit
// difference, so a wrapped tick still gives the right elapsed time.
uint64_t tickNow() {
  return activeClock.tickMs();
}
uint64_t counterNow() {
  return static_cast<uint64_t>(activeClock.counter());
}
uint64_t cyclesNow() {
  return activeClock.cycles();
}

uint32_t tickToUs(uint64_t ticks) {
  return low32(ticks) * 1000u;
}
uint32_t unitsToMs(uint64_t units) {
  return low32(units / timerState.unitsPerMillisecond);
}
uint32_t cyclesToUs(uint64_t cycles) {
  return low32(cycles / timerState.unitsPerMicrosecond);
}
uint32_t counterToUs(uint64_t units) {
  const uint32_t us = low32(units / timerState.unitsPerMicrosecond);
  if (timerState.correction == 0) return us;
  return low32(uint64_t{us} * 1000000u / timerState.correction);
}

template <uint64_t (*Now)(), uint32_t (*Convert)(uint64_t)>
uint32_t elapsed(uint64_t* mark) {
  return Convert(Now() - *mark);
}

template <uint64_t (*Now)(), uint32_t (*Convert)(uint64_t)>
uint32_t delta(uint64_t* mark) {
  const uint64_t now = Now();
  const uint32_t result = Convert(now - *mark);
  *mark = now;
  return result;
}

template <uint64_t (*Now)(), uint32_t (*ToUs)(uint64_t), uint32_t (*ToMs)(uint64_t)>
constexpr TimerOperations operations() {
  return {elapsed<Now, low32>, elapsed<Now, ToUs>, elapsed<Now, ToMs>,
          delta<Now, low32>,   delta<Now, ToUs>,   delta<Now, ToMs>};
}

}  // namespace

constexpr TimerOperations kTickCountOperations = operations<tickNow, tickToUs, low32>();
constexpr TimerOperations kPerformanceCounterOperations =
    operations<counterNow, counterToUs, unitsToMs>();
constexpr TimerOperations kTimeStampCounterOperations =
    operations<cyclesNow, cyclesToUs, unitsToMs>();

}  // namespace tz::time
