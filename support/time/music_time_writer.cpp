// Music time written: a time as measures, beats and ticks at the position format's tempo, and
// measures and ticks as text in its time signature. A time signature or resolution of 0 gives
// 0 where it would divide: an integer division by zero would end the host's process.
#include <cmath>
#include <cstdint>

#include "support/time/saturating_cast.h"
#include "support/time/saturating_math.h"
#include "support/ui/print_writer.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

constexpr double kUnitsPerMinute = 600'000'000.0;

// The music-time fields of a time; all 0 without a usable tempo or with no beats a measure.
void splitMusicTime(int64_t time, const _tzposfmt& position, LONGLONG& measures, LONG& beats,
                    LONG& ticks) {
  measures = 0, beats = 0, ticks = 0;
  const double tempo = rateOrZero(position.tempo);
  if (tempo == 0.0 || position.beatsPerMeasure == 0) return;
  const double perMeasure = position.beatsPerMeasure;
  const double m = static_cast<double>(time) * tempo / perMeasure / kUnitsPerMinute + 0.00005;
  // The fraction of the measure from m itself: measures may have saturated, and a fraction of
  // a huge m is 0 (or NaN from infinity, which counts as 0 below).
  const double intoMeasure = (m - std::trunc(m)) * perMeasure;
  measures = saturatingTrunc<int64_t>(m);
  beats = saturatingTrunc<LONG>(intoMeasure);
  ticks = saturatingTrunc<LONG>((intoMeasure - std::trunc(intoMeasure)) * position.ticksPerQuarter);
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

void TZ_STDCALL TzNanoTimeToMeasures(LONGLONG time, const _tzposfmt* format, LONGLONG* measures,
                                     LONG* beats, LONG* ticks) {
  LONGLONG m = 0;
  LONG b = 0, t = 0;
  if (format != nullptr) tt::splitMusicTime(time, *format, m, b, t);
  if (measures != nullptr) *measures = m;
  if (beats != nullptr) *beats = b;
  if (ticks != nullptr) *ticks = t;
}

int TZ_STDCALL TzMeasuresAndTicksToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG measures,
                                        LONGLONG ticks, BOOL oneBased, BOOL noTicks,
                                        DWORD tickDivisor) {
  if (buffer == nullptr || format == nullptr) return 0;
  // A beat is the time signature's note, so in 6/8 it holds half the ticks of a quarter.
  const int64_t perBeat =
      format->beatUnit != 0 ? int64_t{format->ticksPerQuarter} * 4 / format->beatUnit : 0;
  const int64_t perMeasure = perBeat * format->beatsPerMeasure;
  uint32_t beat = 0;
  int64_t tick = 0;
  if (perMeasure > 0) {
    // Ticks outside the measure carry into it, rounding down, so that beat and tick never go
    // negative: -1 tick is the last tick of the measure before.
    int64_t within = ticks % perMeasure;
    if (within < 0) within += perMeasure;
    measures = tt::saturatingAdd(measures, ticks / perMeasure - (ticks % perMeasure < 0 ? 1 : 0));
    beat = static_cast<uint32_t>(within / perBeat);  // below beats per measure
    tick = within % perBeat / (tickDivisor != 0 ? tickDivisor : 1);
  }
  if (oneBased == 1) {
    ++beat;
    // Measure numbers run ..., -2, -1, 1, 2, ...: there is no measure 0.
    if (measures >= 0) measures = tt::saturatingAdd(measures, 1);
  }
  // Measures and ticks are 64-bit: a tick can exceed 2^32 at the finest resolutions.
  if (noTicks)
    return static_cast<int>(
        tz::ui::printF(buffer, TZ_TIME_TEXT_MAX, u"%I64d$&:%1u", {int64_t{measures}, beat}));
  return static_cast<int>(tz::ui::printF(buffer, TZ_TIME_TEXT_MAX, u"%I64d$&:%u$&.%03I64d",
                                         {int64_t{measures}, beat, tick}));
}

int TZ_STDCALL TzTicksToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG ticks, BOOL oneBased,
                             BOOL noTicks, DWORD tickDivisor) {
  return TzMeasuresAndTicksToText(buffer, format, 0, ticks, oneBased, noTicks, tickDivisor);
}
