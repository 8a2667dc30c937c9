// Music time typed as text: measures, beats and ticks, read as a tick count or as a time at the
// position format's tempo. Both count a beat as ticks per quarter whatever the beat unit, as
// their callers do; the music-time writers count ticks per quarter × 4 / beat unit instead.
#include <cstdint>

#include "support/time/locale_separators.h"
#include "support/time/saturating_cast.h"
#include "support/time/saturating_math.h"
#include "support/time/time_numbers.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

// Grouped measures ("1,000.1.000") read whole unless the group separator is a field's.
std::u16string_view musicGroupSeparator() {
  return thousandsSeparatorApartFrom({librarySeparator(LibrarySeparatorId::MeasuresBeats),
                                      librarySeparator(LibrarySeparatorId::BeatsTicks)});
}

constexpr double kUnitsPerMinute = 60 * kUnitsPerSecond;

// One-based to zero-based. Numbers read from text are never negative, and a measure negated by
// a leading "-" keeps its number.
int64_t zeroBased(int64_t number) {
  return number > 0 ? number - 1 : number;
}

struct MusicTicks {
  int64_t measures;
  int64_t beats;
  int64_t ticks;  // times the multiplier
  int64_t total;
};

MusicTicks readMusicTicks(const WCHAR* text, const _tzposfmt& format, bool oneBased,
                          LONG multiplier) {
  const WCHAR* p = skipTimeTextBlanks(text);
  const bool negative = *p == u'-';
  if (negative) ++p;
  const TimeNumbers n(p, 3, musicGroupSeparator());
  MusicTicks t = {n.fromLeft(0), n.fromLeft(1), saturatingMul(multiplier, n.fromLeft(2)), 0};
  if (negative) t.measures = -t.measures;  // a number read is never the most negative value
  if (oneBased) t.measures = zeroBased(t.measures), t.beats = zeroBased(t.beats);
  const int64_t beats = saturatingMulAdd(format.beatsPerMeasure, t.measures, t.beats);
  t.total = saturatingMulAdd(beats, format.ticksPerQuarter, t.ticks);
  return t;
}

void store(LONGLONG* out, int64_t value) {
  if (out != nullptr) *out = value;
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

LONGLONG TZ_STDCALL TzTextToMeasuresBeatsTicks(const WCHAR* text, const _tzposfmt* format,
                                               BOOL oneBased, LONG tickMultiplier,
                                               LONGLONG* measures, LONGLONG* beats,
                                               LONGLONG* ticks) {
  tt::MusicTicks t = {};
  if (text != nullptr && format != nullptr)
    t = tt::readMusicTicks(text, *format, oneBased == 1, tickMultiplier);
  tt::store(measures, t.measures);
  tt::store(beats, t.beats);
  tt::store(ticks, t.ticks);
  return t.total;
}

LONGLONG TZ_STDCALL TzTextToTicks(const WCHAR* text, const _tzposfmt* format, BOOL oneBased,
                                  LONG tickMultiplier) {
  return TzTextToMeasuresBeatsTicks(text, format, oneBased, tickMultiplier, nullptr, nullptr,
                                    nullptr);
}

LONGLONG TZ_STDCALL TzTextToBeatsTicks(const WCHAR* text, const _tzposfmt* format,
                                       LONG tickMultiplier, LONGLONG* beats, LONGLONG* ticks) {
  int64_t beatCount = 0, scaledTicks = 0, total = 0;
  if (text != nullptr && format != nullptr) {
    const tt::TimeNumbers n(text, 2);  // a leading "-" separates like any other character
    beatCount = n.fromLeft(0);
    scaledTicks = tt::saturatingMul(tickMultiplier, n.fromLeft(1));
    total = tt::saturatingMulAdd(format->ticksPerQuarter, beatCount, scaledTicks);
  }
  tt::store(beats, beatCount);
  tt::store(ticks, scaledTicks);
  return total;
}

LONGLONG TZ_STDCALL TzTextToMusicTimeToken(const WCHAR* text, const _tzposfmt* format, DWORD flags,
                                           const WCHAR** end) {
  if (tt::nothingToRead(text, format, end)) return 0;
  const int fields = flags & TZTIMETEXT_BEATS ? 2 : 3;
  const tt::TimeNumbers n(text, fields, tt::musicGroupSeparator());
  tt::reportEnd(end, n.end());
  int64_t measures = n.fromRight(0, fields);
  int64_t beats = n.fromRight(1, fields);
  const int64_t ticks = fields == 3 ? n.fromRight(2, fields) : 0;
  if (format->format == TZTIMEFMT_MUSIC && !(flags & TZTIMETEXT_ABSOLUTE))
    measures = tt::zeroBased(measures), beats = tt::zeroBased(beats);
  if (!tt::usableRate(format->tempo)) return 0;
  // Without a resolution there are no ticks, rather than infinitely long ones.
  const double tickBeats =
      format->ticksPerQuarter == 0 ? 0.0 : static_cast<double>(ticks) / format->ticksPerQuarter;
  const double allBeats =
      tickBeats + static_cast<double>(format->beatsPerMeasure) * static_cast<double>(measures) +
      static_cast<double>(beats);
  return tt::saturatingTrunc<int64_t>(allBeats / format->tempo * tt::kUnitsPerMinute);
}
