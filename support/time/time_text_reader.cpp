// Text to time in the time format of a position format: the sign, the origin, the default and
// the range around the reader of each format.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "support/time/saturating_cast.h"
#include "support/time/saturating_math.h"
#include "support/time/time_numbers.h"
#include "tz/number_text.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

int64_t samplesToTime(int64_t samples, DWORD sampleRate) {
  if (sampleRate == 0) return 0;
  const double rate = sampleRate;
  // The sample counts of the times -2^62 and 2^61: every count between converts to a time
  // that an origin can still be added to.
  const auto lowest = saturatingTrunc<int64_t>(-0x1p62 / kUnitsPerSecond * rate + 0.5);
  const auto highest = saturatingTrunc<int64_t>(0x1p61 / kUnitsPerSecond * rate + 0.5);
  samples = std::clamp(samples, lowest, highest);
  return saturatingTrunc<int64_t>(static_cast<double>(samples) / rate * kUnitsPerSecond + 0.5);
}

int64_t framesToTime(double frames, double rate) {
  if (!usableRate(rate)) return 0;
  return saturatingTrunc<int64_t>(std::round(frames / rate * kUnitsPerSecond));
}

// The SMPTE format of the time formats 6-10 and 18; 0 for any other code.
DWORD smpteFormatOf(LONG code) {
  constexpr DWORD kFrom6[] = {TZSMPTE_FMT_2997, TZSMPTE_FMT_30, TZSMPTE_FMT_2997_DROP,
                              TZSMPTE_FMT_25, TZSMPTE_FMT_24};
  if (code >= TZTIMEFMT_SMPTE_2997 && code <= TZTIMEFMT_SMPTE_24)
    return kFrom6[code - TZTIMEFMT_SMPTE_2997];
  return code == TZTIMEFMT_SMPTE_23976 ? TZSMPTE_FMT_23976 : 0;
}

// Time code, or with `smpteFormat` 0 hours-minutes-seconds-frames at `rate`.
int64_t timeCodeToTime(const WCHAR* text, DWORD smpteFormat, double rate) {
  _smpteval value = {smpteFormat, 0, 0, 0, 0, 0};
  TZSMPTE_TextToSMPTE(text, &value);
  return TzHMSFToNanoTime(&value, rate);
}

// The time of `text` without its sign. The readers that cannot say where they stopped leave
// `stop` alone.
int64_t readTime(const WCHAR* text, const _tzposfmt& format, DWORD flags, const WCHAR** stop) {
  switch (format.format) {
    case TZTIMEFMT_SAMPLES:
      return samplesToTime(TzTextToLongLongToken(text, stop), format.sampleRate);
    case TZTIMEFMT_CLOCK_MILLISECONDS:
      return saturatingMul(TzTextToTimeToken(text, &format, FALSE, stop), 10'000);
    case TZTIMEFMT_SECONDS:
      return framesToTime(TzTextToDoubleToken(text, stop, TRUE), 1.0);
    case TZTIMEFMT_CLOCK_FRAMES:
      return TzTextToHMSFToken(text, &format, FALSE, stop);
    case TZTIMEFMT_FRAMES:
      return framesToTime(TzTextToDoubleToken(text, stop, TRUE), format.frameRate);
    case TZTIMEFMT_MUSIC:
    case TZTIMEFMT_MUSIC_ZERO_BASED:
      return TzTextToMusicTimeToken(text, &format, flags, stop);
    case TZTIMEFMT_NANOS:
      return TzTextToLongLongToken(text, stop);
    case TZTIMEFMT_MICROSECONDS:
      return saturatingMul(TzTextToLongLongToken(text, stop), 10);
    case TZTIMEFMT_FEET_FRAMES_40:
    case TZTIMEFMT_FEET_FRAMES_16:
      return TzTextToFeetAndFramesToken(text, &format, format.format == TZTIMEFMT_FEET_FRAMES_40);
    case TZTIMEFMT_CD:
      return timeCodeToTime(text, 0, 75.0);
    default: {
      const DWORD smpteFormat = smpteFormatOf(format.format);
      // Beats, compact clock time and unknown codes are not read.
      return smpteFormat != 0 ? timeCodeToTime(text, smpteFormat, 0.0) : 0;
    }
  }
}

int64_t readWithDefault(const WCHAR* text, const _tzposfmt& format, int64_t def, int64_t min,
                        int64_t max, DWORD flags, const WCHAR** end) {
  const WCHAR* p = skipTimeTextBlanks(text);
  const bool negative = *p == u'-';
  if (negative) ++p;
  const WCHAR* stop = p + std::u16string_view(p).size();
  int64_t time = def;  // the default of an empty text is not negated
  if (*p != u'\0') {
    time = readTime(p, format, flags, &stop);
    if (negative) time = saturatingNegate(time);
  }
  if (!(flags & TZTIMETEXT_ABSOLUTE)) time = saturatingAdd(time, format.origin);
  if (flags & TZTIMETEXT_CLAMP) {
    if (time == 0 && *stop != u'\0' && !isTimeTextBlank(*stop)) time = def;
    // Not std::clamp: a range with min > max is the caller's, and max wins.
    time = std::min(std::max(time, min), max);
  }
  reportEnd(end, stop);
  return time;
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

LONGLONG TZ_STDCALL TzTextToNanoTimeToken2(const WCHAR* text, const _tzposfmt* format, LONGLONG def,
                                           LONGLONG min, LONGLONG max, DWORD flags,
                                           const WCHAR** end) {
  if (tt::nothingToRead(text, format, end)) return 0;
  return tt::readWithDefault(text, *format, def, min, max, flags, end);
}

LONGLONG TZ_STDCALL TzTextToNanoTimeToken(const WCHAR* text, const _tzposfmt* format,
                                          BOOL beatsOnly, const WCHAR** end) {
  return TzTextToNanoTimeToken2(text, format, 0, 0, 0, beatsOnly ? TZTIMETEXT_BEATS : 0, end);
}

LONGLONG TZ_STDCALL TzTextToNanoTimeTokenEx(const WCHAR* text, const _tzposfmt* format,
                                            BOOL beatsOnly, LONGLONG def, LONGLONG min,
                                            LONGLONG max, const WCHAR** end) {
  const DWORD flags = TZTIMETEXT_CLAMP | (beatsOnly ? TZTIMETEXT_BEATS : 0);
  return TzTextToNanoTimeToken2(text, format, def, min, max, flags, end);
}
