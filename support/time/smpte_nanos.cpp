// Time code to and from the library's time unit, 100 ns, at each format's real frame rate.
#include <cmath>
#include <cstdint>

#include "support/time/saturating_cast.h"
#include "support/time/smpte_formats.h"

namespace tz::time {
namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

// Rounds up, bar a sliver, so that a frame's time converts back to the same frame.
int64_t timeOfFrames(double frames, double rate) {
  return saturatingTrunc<int64_t>(frames / rate * kUnitsPerSecond + 0.999);
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

void TZ_STDCALL TZSMPTE_NanoToSMPTE(LONGLONG time, _smpteval* value) {
  if (value == nullptr) return;
  const double rate = tt::smpteFormat(value->format).realRate;
  // The small bias keeps a time computed from a whole frame count on that frame.
  const int64_t frames = tt::saturatingTrunc<int64_t>(
      rate * static_cast<double>(time) / tt::kUnitsPerSecond + 0.000005);
  // Conversion to unsigned keeps the low 32 bits, negative counts included.
  tt::setSmpteFrameCount(*value, static_cast<uint32_t>(frames));
}

LONGLONG TZ_STDCALL TZSMPTE_SMPTEToNanos(const _smpteval* value) {
  if (value == nullptr) return 0;
  return tt::timeOfFrames(tt::smpteFrameCount(*value), tt::smpteFormat(value->format).realRate);
}

LONGLONG TZ_STDCALL TZSMPTE_SmpteLikeToNanos(double rate, const _smpteval* value) {
  // Any other rate would divide by zero or turn the whole sum into NaN.
  if (value == nullptr || !(rate > 0.0) || !std::isfinite(rate)) return 0;
  const uint32_t seconds = (value->hours * 60 + value->minutes) * 60 + value->seconds;
  return tt::timeOfFrames(seconds * rate + value->frames, rate);
}
