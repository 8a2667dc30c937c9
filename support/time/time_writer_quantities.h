// The arithmetic behind the time writers: rates that may be zero or non-finite, 64-bit times
// that must not overflow, and the clock fields of a time. Every double to integer conversion
// here saturates.
#pragma once

#include <cstdint>

namespace tz::time {

constexpr double kWriterUnitsPerSecond = 10'000'000.0;

// A rate (frames, beats or samples a second or minute) that is a finite number above 0, else
// 0: what a writer computes from an unusable rate is then 0 instead of NaN or infinity.
double usableRate(double rate);

int64_t saturatingAdd(int64_t a, int64_t b);
int64_t saturatingSubtract(int64_t a, int64_t b);
// |value|; the most negative time has no positive partner and gives the largest.
int64_t saturatingMagnitude(int64_t value);

struct ClockTime {
  uint32_t hours;  // modulo 24
  uint32_t minutes;
  uint32_t seconds;
  uint32_t frames;
};

// Hours, minutes, seconds and frames of a time from 0 (a negative one counts as 0; the writers
// split magnitudes) at `rate` frames a second. A rate above
// 0.01 rounds to the nearest frame; a lower one (or an unusable one) truncates to the second
// and gives 0 frames.
ClockTime splitClockTime(int64_t time, double rate);

}  // namespace tz::time
