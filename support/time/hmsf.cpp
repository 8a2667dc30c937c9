// Hours, minutes, seconds and frames at a free frame rate, the clock-time and CD-time forms of
// the time text; records in one of the SMPTE formats go to the time-code conversions instead.
#include <cmath>
#include <cstdint>

#include "support/time/saturating_cast.h"
#include "support/time/saturating_math.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

bool isSmpteFormat(DWORD format) {
  return format >= TZSMPTE_FMT_30 && format <= TZSMPTE_FMT_23976;
}

void splitSeconds(double s, double rate, _smpteval& value) {
  // Half a frame, so that the frames round to nearest rather than down.
  if (rate > 0.01) s += 0.5 / rate;
  const auto hours = saturatingTrunc<int64_t>(s / 3600);
  s -= 3600.0 * static_cast<double>(hours);
  value.hours = static_cast<DWORD>(hours % 24);
  const auto minutes = saturatingTrunc<DWORD>(s / 60);
  s -= 60.0 * minutes;
  value.minutes = minutes;
  value.seconds = saturatingTrunc<DWORD>(s);
  // A rounding error can leave s a hair below 0 here: the conversion takes that to frame 0.
  value.frames = usableRate(rate)
                     ? saturatingTrunc<DWORD>(std::floor((s - value.seconds) * rate + 0.000000015))
                     : 0;
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

void TZ_STDCALL TzNanoTimeToHMSF(LONGLONG time, _smpteval* value, double frameRate) {
  if (value == nullptr) return;
  if (tt::isSmpteFormat(value->format)) {
    TZSMPTE_NanoToSMPTE(time, value);
    return;
  }
  // The magnitude, in double so that the most negative time needs no care: the writers print
  // the sign themselves.
  tt::splitSeconds(std::fabs(static_cast<double>(time)) / tt::kUnitsPerSecond, frameRate, *value);
}

LONGLONG TZ_STDCALL TzHMSFToNanoTime(const _smpteval* value, double frameRate) {
  if (value == nullptr) return 0;
  if (tt::isSmpteFormat(value->format)) return TZSMPTE_SMPTEToNanos(value);
  if (!tt::usableRate(frameRate)) return 0;
  const double seconds =
      value->hours * 3600.0 + value->minutes * 60.0 + value->seconds + value->frames / frameRate;
  return tt::saturatingTrunc<int64_t>(seconds * tt::kUnitsPerSecond + 0.5);
}
