// Times to text in the twenty time formats: the quantities of each format code, printed with the
// caller's format string or a default one through the bounded formatted print. The quantities
// go to the print as typed arguments, so a caller's format string cannot read past them.
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "support/core/format_arguments.h"
#include "support/core/wide_sink.h"
#include "support/time/saturating_cast.h"
#include "support/time/saturating_math.h"
#include "support/ui/print_writer.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

using core::FormatArgument;
using Sink = core::WideSink;

struct CodeFormat {
  const char16_t* precise;
  const char16_t* coarse;
  DWORD timeCode;  // the SMPTE format of a time-code code, else 0
};

constexpr const char16_t* kWholeNumber = u"$I64d";
constexpr const char16_t* kClock = u"%02u$:%02u$:%02u";
constexpr const char16_t* kTimeCode = u"%02u:%02u:%02u:%02u";
constexpr const char16_t* kDropCode = u"%02u:%02u:%02u;%02u";
constexpr const char16_t* kMusic = u"$u$&:%u$&.%03u";
constexpr const char16_t* kMusicCoarse = u"$u$&:%u";
constexpr const char16_t* kFeet = u"$I64d+$I64d";

// Indexed by format code.
constexpr CodeFormat kCodeFormats[] = {
    {kWholeNumber, kWholeNumber, 0},                // samples
    {u"%02u$:%02u$:%02u$*%03u", kClock, 0},         // clock time, milliseconds
    {u"$.3f", u"$.0f", 0},                          // seconds
    {u"%02u$:%02u$:%02u$*%02u", kClock, 0},         // clock time, frames
    {u"$.3f", u"$.0f", 0},                          // frames
    {kMusic, kMusicCoarse, 0},                      // music time, one-based
    {kTimeCode, kTimeCode, TZSMPTE_FMT_2997},       // SMPTE 29.97
    {kTimeCode, kTimeCode, TZSMPTE_FMT_30},         // SMPTE 30
    {kDropCode, kDropCode, TZSMPTE_FMT_2997_DROP},  // SMPTE 29.97 drop-frame
    {kTimeCode, kTimeCode, TZSMPTE_FMT_25},         // SMPTE 25
    {kTimeCode, kTimeCode, TZSMPTE_FMT_24},         // SMPTE 24
    {kWholeNumber, kWholeNumber, 0},                // raw time units
    {kWholeNumber, kWholeNumber, 0},                // microseconds
    {kMusic, kMusicCoarse, 0},                      // music time, zero-based
    {u"$.3f", u"$.0f", 0},                          // beats
    {kFeet, kFeet, 0},                              // feet and frames, 40
    {kFeet, kFeet, 0},                              // feet and frames, 16
    {kTimeCode, kClock, 0},                         // CD time
    {kTimeCode, kTimeCode, TZSMPTE_FMT_23976},      // SMPTE 23.976
    {kClock, kClock, 0},                            // compact clock time (string not used)
};
static_assert(std::size(kCodeFormats) == TZTIMEFMT_COMPACT_CLOCK + 1);

void print(Sink& sink, std::u16string_view format, std::initializer_list<FormatArgument> args) {
  core::ArrayArguments source({args.begin(), args.size()});
  ui::printF(sink, format, source);
}

// Seconds, frames and beats: "$.0f" exactly asks for the value rounded down, as an integer.
void printReal(Sink& sink, std::u16string_view format, double value) {
  if (format == u"$.0f")
    return print(sink, kWholeNumber, {saturatingTrunc<int64_t>(std::floor(value))});
  print(sink, format, {value});
}

// Hours, minutes, seconds and frames of a time from 0 at a free frame rate.
_smpteval clockTime(int64_t time, double rate) {
  _smpteval clock = {};
  TzNanoTimeToHMSF(time, &clock, rate);
  return clock;
}

void printClock(Sink& sink, std::u16string_view format, const _smpteval& clock) {
  print(sink, format, {clock.hours, clock.minutes, clock.seconds, clock.frames});
}

void printTimeCode(Sink& sink, std::u16string_view format, int64_t time, DWORD smpteFormat) {
  _smpteval value = {smpteFormat, 0, 0, 0, 0, 0};
  TZSMPTE_NanoToSMPTE(time, &value);
  print(sink, format, {value.hours, value.minutes, value.seconds, value.frames});
}

void printMusic(Sink& sink, std::u16string_view format, int64_t time, const _tzposfmt& position,
                bool oneBased) {
  LONGLONG measures = 0;
  LONG beats = 0;
  LONG ticks = 0;
  TzNanoTimeToMeasures(time, &position, &measures, &beats, &ticks);
  if (oneBased) measures = saturatingAdd(measures, 1), ++beats;
  print(sink, format, {int64_t{measures}, beats, ticks});
}

void printFeet(Sink& sink, std::u16string_view format, int64_t time, double rate, int perFoot) {
  const double exact = static_cast<double>(time) / kUnitsPerSecond * rateOrZero(rate);
  const int64_t frames = saturatingTrunc<int64_t>(std::floor(exact + 0.00001));
  print(sink, format, {frames / perFoot, frames % perFoot});
}

// Hours only when there are any, and no leading zero on the first field but for 10 minutes on.
void printCompactClock(Sink& sink, int64_t time) {
  const _smpteval clock = clockTime(time, 0.0);
  if (clock.hours >= 1)
    print(sink, u"%u$:%02u$:%02u", {clock.hours, clock.minutes, clock.seconds});
  else
    print(sink, clock.minutes < 10 ? u"%u$:%02u" : u"%02u$:%02u", {clock.minutes, clock.seconds});
}

// The quantities of a time from 0 by the format code.
void printMagnitude(Sink& sink, const _tzposfmt& position, int64_t time, std::u16string_view format,
                    DWORD flags) {
  const double seconds = static_cast<double>(time) / kUnitsPerSecond;
  switch (position.format) {
    case TZTIMEFMT_SAMPLES:
      return print(sink, format, {saturatingTrunc<int64_t>(seconds * position.sampleRate + 0.5)});
    case TZTIMEFMT_CLOCK_MILLISECONDS:
      return printClock(sink, format, clockTime(time, 1000.0));
    case TZTIMEFMT_SECONDS:
      return printReal(sink, format, seconds);
    case TZTIMEFMT_CLOCK_FRAMES:
      return printClock(sink, format, clockTime(time, position.frameRate));
    case TZTIMEFMT_FRAMES:
      return printReal(sink, format, seconds * rateOrZero(position.frameRate) + 0.00001);
    case TZTIMEFMT_MUSIC:
      return printMusic(sink, format, time, position, (flags & TZTIMETEXT_ABSOLUTE) == 0);
    case TZTIMEFMT_SMPTE_2997:
    case TZTIMEFMT_SMPTE_30:
    case TZTIMEFMT_SMPTE_2997_DROP:
    case TZTIMEFMT_SMPTE_25:
    case TZTIMEFMT_SMPTE_24:
    case TZTIMEFMT_SMPTE_23976:
      return printTimeCode(sink, format, time, kCodeFormats[position.format].timeCode);
    case TZTIMEFMT_MICROSECONDS:  // (time + 5) / 10 without the sum overflowing
      return print(sink, format, {time / 10 + (time % 10 + 5) / 10});
    case TZTIMEFMT_MUSIC_ZERO_BASED:
      return printMusic(sink, format, time, position, false);
    case TZTIMEFMT_BEATS:
      return printReal(sink, format, seconds * rateOrZero(position.tempo) / 60.0);
    case TZTIMEFMT_FEET_FRAMES_40:
      return printFeet(sink, format, time, position.frameRate, 40);
    case TZTIMEFMT_FEET_FRAMES_16:
      return printFeet(sink, format, time, position.frameRate, 16);
    case TZTIMEFMT_CD:
      return printClock(sink, format, clockTime(time, 75.0));
    case TZTIMEFMT_COMPACT_CLOCK:
      return printCompactClock(sink, time);
    default:  // raw time units, and every code without a format of its own
      return print(sink, format, {time});
  }
}

const char16_t* defaultString(LONG code, bool coarse) {
  if (code < 0 || code > TZTIMEFMT_COMPACT_CLOCK) return kWholeNumber;
  return coarse ? kCodeFormats[code].coarse : kCodeFormats[code].precise;
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

int TZ_STDCALL TzNanoTimeToTextFormat(WCHAR* buffer, const _tzposfmt* format, LONGLONG time,
                                      const WCHAR* formatString, DWORD flags) {
  if (buffer == nullptr || format == nullptr) return 0;
  tt::Sink sink(buffer, TZ_TIME_TEXT_MAX);
  const std::u16string_view caller = formatString != nullptr ? formatString : u"";
  int64_t shown =
      (flags & TZTIMETEXT_ABSOLUTE) != 0 ? time : tt::saturatingSubtract(time, format->origin);
  if (shown < 0) {
    sink.put(u'-');
    shown = tt::saturatingMagnitude(shown);
  }
  tt::printMagnitude(sink, *format, shown, caller, flags);
  return static_cast<int>(sink.length());
}

int TZ_STDCALL TzNanoTimeToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG time,
                                BOOL coarse) {
  return TzNanoTimeToTextEx(buffer, format, time, coarse != 0 ? TZTIMETEXT_COARSE : 0);
}

int TZ_STDCALL TzNanoTimeToTextEx(WCHAR* buffer, const _tzposfmt* format, LONGLONG time,
                                  DWORD flags) {
  if (format == nullptr) return 0;
  return TzNanoTimeToTextFormat(buffer, format, time,
                                tt::defaultString(format->format, (flags & TZTIMETEXT_COARSE) != 0),
                                flags);
}
