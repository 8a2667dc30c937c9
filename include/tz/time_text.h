// Times as text and back, in twenty time formats chosen by a position format (samples, clock
// time, seconds, frames, music time, SMPTE, feet and frames, CD time and others). Times are
// signed 64-bit counts of 100 ns (10 000 000 a second). Every writer prints through the
// library's formatted print ("$" directives format for the user's locale); every reader skips
// blanks and stops at the first character that does not belong.
#pragma once

#include <cstddef>

#include "tz/export.h"
#include "tz/smpte.h"
#include "tz/win_types.h"

// The position format: the time format and what it needs to compute its quantities.
struct _tzposfmt {
  LONG format;            // TZTIMEFMT_…
  DWORD sampleRate;       // samples per second
  double frameRate;       // frames per second, for the frame-based formats
  double tempo;           // beats per minute
  LONGLONG origin;        // the time shown as zero, unless a call asks for absolute time
  WORD beatUnit;          // time-signature denominator (4 = quarter note)
  WORD beatsPerMeasure;   // time-signature numerator
  DWORD ticksPerQuarter;  // music-time resolution
};
static_assert(sizeof(_tzposfmt) == 40);
static_assert(offsetof(_tzposfmt, sampleRate) == 4 && offsetof(_tzposfmt, frameRate) == 8);
static_assert(offsetof(_tzposfmt, tempo) == 16 && offsetof(_tzposfmt, origin) == 24);
static_assert(offsetof(_tzposfmt, beatUnit) == 32 && offsetof(_tzposfmt, beatsPerMeasure) == 34);
static_assert(offsetof(_tzposfmt, ticksPerQuarter) == 36);

// Time format codes.
constexpr LONG TZTIMEFMT_SAMPLES = 0;
constexpr LONG TZTIMEFMT_CLOCK_MILLISECONDS = 1;
constexpr LONG TZTIMEFMT_SECONDS = 2;
constexpr LONG TZTIMEFMT_CLOCK_FRAMES = 3;
constexpr LONG TZTIMEFMT_FRAMES = 4;
constexpr LONG TZTIMEFMT_MUSIC = 5;  // one-based measures and beats
constexpr LONG TZTIMEFMT_SMPTE_2997 = 6;
constexpr LONG TZTIMEFMT_SMPTE_30 = 7;
constexpr LONG TZTIMEFMT_SMPTE_2997_DROP = 8;
constexpr LONG TZTIMEFMT_SMPTE_25 = 9;
constexpr LONG TZTIMEFMT_SMPTE_24 = 10;
constexpr LONG TZTIMEFMT_NANOS = 11;  // raw time units
constexpr LONG TZTIMEFMT_MICROSECONDS = 12;
constexpr LONG TZTIMEFMT_MUSIC_ZERO_BASED = 13;
constexpr LONG TZTIMEFMT_BEATS = 14;
constexpr LONG TZTIMEFMT_FEET_FRAMES_40 = 15;
constexpr LONG TZTIMEFMT_FEET_FRAMES_16 = 16;
constexpr LONG TZTIMEFMT_CD = 17;
constexpr LONG TZTIMEFMT_SMPTE_23976 = 18;
constexpr LONG TZTIMEFMT_COMPACT_CLOCK = 19;

// Flags of the writers and of TzTextToNanoTimeToken2.
constexpr DWORD TZTIMETEXT_COARSE = 0x1;    // writers: the coarse default format string
constexpr DWORD TZTIMETEXT_BEATS = 0x1;     // readers: music time without ticks
constexpr DWORD TZTIMETEXT_ABSOLUTE = 0x2;  // the origin is neither subtracted nor added
constexpr DWORD TZTIMETEXT_CLAMP = 0x4;     // readers: apply the default and the range

// Buffers of the writers hold at least this many characters with the terminator; the writers
// never write more.
constexpr int TZ_TIME_TEXT_MAX = 128;

// Times to text. Each returns the characters written, terminator not counted, and writes
// nothing through a null buffer or position format.
TZAPI(int)
TzNanoTimeToTextFormat(WCHAR* buffer, const _tzposfmt* format, LONGLONG time,
                       const WCHAR* formatString, DWORD flags);
TZAPI(int) TzNanoTimeToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG time, BOOL coarse);
TZAPI(int) TzNanoTimeToTextEx(WCHAR* buffer, const _tzposfmt* format, LONGLONG time, DWORD flags);

// Hours, minutes, seconds and frames at a free frame rate (record formats outside 1..6), or the
// SMPTE conversions (formats 1..6).
TZAPI(void) TzNanoTimeToHMSF(LONGLONG time, _smpteval* value, double frameRate);
TZAPI(LONGLONG) TzHMSFToNanoTime(const _smpteval* value, double frameRate);

// A time as measures, beats and ticks at the position format's tempo and time signature;
// each output may be null.
TZAPI(void)
TzNanoTimeToMeasures(LONGLONG time, const _tzposfmt* format, LONGLONG* measures, LONG* beats,
                     LONG* ticks);
// Music time as text from measures and ticks into the measure, or from ticks alone.
TZAPI(int)
TzMeasuresAndTicksToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG measures, LONGLONG ticks,
                         BOOL oneBased, BOOL noTicks, DWORD tickDivisor);
TZAPI(int)
TzTicksToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG ticks, BOOL oneBased, BOOL noTicks,
              DWORD tickDivisor);

// A value with a unit label, in a temporary string of the library's scratch ring that stays
// valid until the ring comes round again.
TZAPI(const WCHAR*)
TzGetLabeledStringFixed(LONG value, int decimals, LONG limit, const WCHAR* suffix);
TZAPI(const WCHAR*)
TzGetLabeledStringFloat(double value, int decimals, double limit, const WCHAR* suffix);

// Text to times. `end`, when not null, receives where reading stopped.
TZAPI(LONGLONG)
TzTextToNanoTimeToken2(const WCHAR* text, const _tzposfmt* format, LONGLONG def, LONGLONG min,
                       LONGLONG max, DWORD flags, const WCHAR** end);
TZAPI(LONGLONG)
TzTextToNanoTimeToken(const WCHAR* text, const _tzposfmt* format, BOOL beatsOnly,
                      const WCHAR** end);
TZAPI(LONGLONG)
TzTextToNanoTimeTokenEx(const WCHAR* text, const _tzposfmt* format, BOOL beatsOnly, LONGLONG def,
                        LONGLONG min, LONGLONG max, const WCHAR** end);
// Clock time in milliseconds.
TZAPI(LONGLONG)
TzTextToTimeToken(const WCHAR* text, const _tzposfmt* format, BOOL noFraction, const WCHAR** end);
TZAPI(LONGLONG) TzTextToFeetAndFramesToken(const WCHAR* text, const _tzposfmt* format, BOOL forty);
// Music time as ticks; the outputs may be null.
TZAPI(LONGLONG)
TzTextToMeasuresBeatsTicks(const WCHAR* text, const _tzposfmt* format, BOOL oneBased,
                           LONG tickMultiplier, LONGLONG* measures, LONGLONG* beats,
                           LONGLONG* ticks);
TZAPI(LONGLONG)
TzTextToTicks(const WCHAR* text, const _tzposfmt* format, BOOL oneBased, LONG tickMultiplier);
TZAPI(LONGLONG)
TzTextToBeatsTicks(const WCHAR* text, const _tzposfmt* format, LONG tickMultiplier, LONGLONG* beats,
                   LONGLONG* ticks);
TZAPI(LONGLONG)
TzTextToHMSFToken(const WCHAR* text, const _tzposfmt* format, BOOL noFrames, const WCHAR** end);
TZAPI(LONGLONG)
TzTextToMusicTimeToken(const WCHAR* text, const _tzposfmt* format, DWORD flags, const WCHAR** end);
