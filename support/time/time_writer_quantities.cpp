// Saturating time arithmetic and the clock split of the time writers.
#include "support/time/time_writer_quantities.h"

#include <cmath>
#include <limits>

#include "support/time/saturating_cast.h"

namespace tz::time {

using Limits = std::numeric_limits<int64_t>;

double usableRate(double rate) {
  return std::isfinite(rate) && rate > 0.0 ? rate : 0.0;
}

int64_t saturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? Limits::max() : Limits::min();
}

int64_t saturatingSubtract(int64_t a, int64_t b) {
  int64_t difference = 0;
  if (!__builtin_sub_overflow(a, b, &difference)) return difference;
  return b < 0 ? Limits::max() : Limits::min();
}

int64_t saturatingMagnitude(int64_t value) {
  if (value == Limits::min()) return Limits::max();
  return value < 0 ? -value : value;
}

ClockTime splitClockTime(int64_t time, double rate) {
  rate = usableRate(rate);
  double s = static_cast<double>(time < 0 ? 0 : time) / kWriterUnitsPerSecond;
  if (rate > 0.01) s += 0.5 / rate;
  const double hours = std::trunc(s / 3600.0);
  s -= 3600.0 * hours;
  const double minutes = std::trunc(s / 60.0);
  s -= 60.0 * minutes;
  const double seconds = std::trunc(s);
  // The sliver keeps a frame boundary that lands a rounding error short on its own frame.
  const double frames = std::floor((s - seconds) * rate + 0.000000015);
  return {static_cast<uint32_t>(saturatingTrunc<int64_t>(hours) % 24),
          saturatingTrunc<uint32_t>(minutes), saturatingTrunc<uint32_t>(seconds),
          saturatingTrunc<uint32_t>(frames)};
}

}  // namespace tz::time
