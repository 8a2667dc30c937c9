// Clock time, hours-minutes-seconds-frames and feet and frames typed as text. The numbers are
// taken from the right, so that "1:30" is the end of a longer clock time, not its start.
#include <cmath>
#include <cstdint>
#include <limits>

#include "support/time/saturating_cast.h"
#include "support/time/saturating_math.h"
#include "support/time/time_numbers.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

// The first three digits are the milliseconds: "5" is 500, "05" 50, "12345" 123.
int64_t fractionMillis(const TimeNumber& number) {
  int64_t millis = 0;
  for (size_t i = 0; i < 3; ++i)
    millis = millis * 10 + (i < number.length ? number.digits[i] - u'0' : 0);
  return millis;
}

int64_t clockMillis(int64_t hours, int64_t minutes, int64_t seconds, int64_t millis) {
  const int64_t allMinutes = saturatingMulAdd(hours, 60, minutes);
  return saturatingMulAdd(saturatingMulAdd(allMinutes, 60, seconds), 1000, millis);
}

DWORD field(int64_t number) {
  constexpr int64_t kMax = std::numeric_limits<DWORD>::max();
  return static_cast<DWORD>(number > kMax ? kMax : number);  // numbers read are never negative
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

LONGLONG TZ_STDCALL TzTextToTimeToken(const WCHAR* text, const _tzposfmt* format, BOOL noFraction,
                                      const WCHAR** end) {
  if (tt::nothingToRead(text, format, end)) return 0;
  int64_t millis = 0;
  if (noFraction) {
    const tt::TimeNumbers n(text, 3);
    millis = tt::clockMillis(n.fromRight(0, 3), n.fromRight(1, 3), n.fromRight(2, 3), 0);
    tt::reportEnd(end, n.end());
    return millis;
  }
  const tt::TimeNumbers n(text, 4);
  if (n.count() == 1 && !n.holdsBlank()) {
    millis = tt::clockMillis(0, 0, n.fromLeft(0), 0);
  } else if (n.count() > 0) {
    millis = tt::clockMillis(n.fromRight(0, 4), n.fromRight(1, 4), n.fromRight(2, 4),
                             tt::fractionMillis(n.last()));
  }
  tt::reportEnd(end, n.end());
  return millis;
}

LONGLONG TZ_STDCALL TzTextToHMSFToken(const WCHAR* text, const _tzposfmt* format, BOOL noFrames,
                                      const WCHAR** end) {
  if (tt::nothingToRead(text, format, end)) return 0;
  const int fields = noFrames ? 3 : 4;
  const tt::TimeNumbers n(text, fields);
  const _smpteval value = {0,
                           tt::field(n.fromRight(0, fields)),
                           tt::field(n.fromRight(1, fields)),
                           tt::field(n.fromRight(2, fields)),
                           noFrames ? 0 : tt::field(n.fromRight(3, fields)),
                           0};
  tt::reportEnd(end, n.end());
  return TzHMSFToNanoTime(&value, format->frameRate);
}

LONGLONG TZ_STDCALL TzTextToFeetAndFramesToken(const WCHAR* text, const _tzposfmt* format,
                                               BOOL forty) {
  if (text == nullptr || format == nullptr || !tt::usableRate(format->frameRate)) return 0;
  const tt::TimeNumbers n(text, 2, tt::thousandsSeparatorApartFrom({u"+"}));
  const int64_t frames =
      tt::saturatingMulAdd(n.fromRight(0, 2), forty ? 40 : 16, n.fromRight(1, 2));
  const double time =
      static_cast<double>(frames) / format->frameRate * tt::kUnitsPerSecond + 0.000000015;
  return tt::saturatingTrunc<int64_t>(std::round(time));
}
