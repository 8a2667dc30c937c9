// Clocks: the millisecond tick, the high-resolution counter with its frequency, the
// processor's cycle counter, and a sleep. All may be called on the audio path: no
// allocation, no lock, at most one system call each.
#pragma once

#include <cstdint>

namespace tz::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
uint32_t tickCountMs();

// High-resolution monotonic counter and its fixed frequency in counts per second.
int64_t highResCounter();
int64_t highResFrequency();
// The counter in nanoseconds; its frequency is the system's (10 MHz on Windows as a rule).
int64_t highResNs();
// Counts at frequency (> 0, up to 9 GHz) as nanoseconds, without overflow for any count whose
// result fits.
int64_t nanosecondsFromCounts(int64_t counts, int64_t frequency);

// The processor's cycle counter (time-stamp counter).
uint64_t cycleCounter();

void sleepMs(uint32_t ms);

}  // namespace tz::platform
