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

// Print tokens that the library publishes at load, in the language of its strings, and builds
// again whenever that language switches: "SMPTE.Label.NonDrop" ("hr:mn:sc.fr"),
// "SMPTE.Label.Drop" ("hr:mn:sc,fr"), "SMPTE.Label.NonDrop.Full" and "SMPTE.Label.Drop.Full"
// ("hours:minutes:seconds.frames" and ",frames"), "MusicTime.Label" ("ms.bt.tk") and
// "MusicTime.Label.Full" ("measures.beats.ticks"), each filled with the library's separators.

// Buffers of the writers hold at least this many characters with the terminator; the writers
// never write more, cutting a longer text (never between the halves of a surrogate pair).
constexpr int TZ_TIME_TEXT_MAX = 128;

// Times to text. Each returns the characters written, terminator not counted, and writes
// nothing through a null buffer or position format. The origin is subtracted (saturating)
// unless TZTIMETEXT_ABSOLUTE is given; a negative result writes "-" and then its magnitude
// (the most negative time as the largest). The format code's quantities go to the formatted
// print as typed arguments: clock and time-code fields as unsigned 32-bit numbers, samples,
// raw units, microseconds, feet and frames as signed 64-bit numbers, seconds, frames and beats
// as doubles, and music time as measures (64-bit), beats and ticks (32-bit). A conversion that
// asks for another kind converts the number, and one that asks for text gets "(null)": no
// format string reads anything but these numbers.
// - Codes 2, 4 and 14 with the format string exactly "$.0f" print the value rounded down with
//   "$I64d"; code 5 counts measures and beats from 1 unless TZTIMETEXT_ABSOLUTE is given;
//   code 19 ignores the format string and truncates to the whole second.
// - A sample rate of 0 gives 0 samples. A frame rate or tempo that is not a finite number
//   above 0 counts as 0, and so does all computed from it (the frames of codes 3, 4, 15 and
//   16, the beats of code 14, the music time of codes 5 and 13); every double to integer
//   conversion saturates.
// - A code outside 0..19 prints the time as a signed 64-bit number with the format string.
// - A null format string counts as an empty one.
TZAPI(int)
TzNanoTimeToTextFormat(WCHAR* buffer, const _tzposfmt* format, LONGLONG time,
                       const WCHAR* formatString, DWORD flags);
// With the code's precise format string, or its coarse one when `coarse` is non-zero (flags
// TZTIMETEXT_COARSE or 0); "$I64d" for a code outside 0..19.
TZAPI(int) TzNanoTimeToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG time, BOOL coarse);
// The same with flags: TZTIMETEXT_COARSE chooses the coarse string, and the flags pass on whole.
TZAPI(int) TzNanoTimeToTextEx(WCHAR* buffer, const _tzposfmt* format, LONGLONG time, DWORD flags);

// Hours, minutes, seconds and frames at a free frame rate (record formats outside 1..6), or the
// SMPTE conversions (formats 1..6).
TZAPI(void) TzNanoTimeToHMSF(LONGLONG time, _smpteval* value, double frameRate);
TZAPI(LONGLONG) TzHMSFToNanoTime(const _smpteval* value, double frameRate);

// A time as measures, beats and ticks at the position format's tempo: measures and beats of
// beats per measure tempo beats, ticks at ticks per quarter for each tempo beat, whatever the
// beat unit. Each part truncates toward zero, so a negative time gives parts of 0 or below.
// Measures are 64-bit, since a long time at a fast tempo passes 2^31 measures; beats lie below
// beats per measure and ticks below ticks per quarter (saturated to 32 bits), signed for the
// negative times. All three are 0 for a null position format, a tempo that is not a finite
// number above 0, or 0 beats per measure. Each output may be null.
TZAPI(void)
TzNanoTimeToMeasures(LONGLONG time, const _tzposfmt* format, LONGLONG* measures, LONG* beats,
                     LONG* ticks);
// Music time as text ("measure.beat.tick", the separators those of the print's "$&:" and
// "$&."), from measures and ticks into the measure. A beat holds ticks per quarter x 4 / beat
// unit ticks: in 6/8 at 960 per quarter a beat is 480 ticks and a measure 2880 (the readers
// count ticks per quarter for every beat; in such meters the two differ, and callers rely on
// both as they are). Ticks outside 0..one measure carry into the measures, rounding down, so
// beat and tick are never negative (-1 tick is the last tick of measure -1). The tick is the
// ticks into the beat divided by `tickDivisor` (0 counts as 1). When the time signature leaves
// no ticks in a measure (beat unit or beats per measure 0, or fewer than one tick a beat) beat
// and tick are 0. With `oneBased` exactly 1 the beat counts from 1, and so do measures from 0
// up: ..., -2, -1, 1, 2. `noTicks` leaves the tick out. Measures saturate at the 64-bit limits.
TZAPI(int)
TzMeasuresAndTicksToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG measures, LONGLONG ticks,
                         BOOL oneBased, BOOL noTicks, DWORD tickDivisor);
// The same from ticks alone, counted from measure 0.
TZAPI(int)
TzTicksToText(WCHAR* buffer, const _tzposfmt* format, LONGLONG ticks, BOOL oneBased, BOOL noTicks,
              DWORD tickDivisor);

// A value with a unit label, in a temporary string of the module's scratch ring that stays
// valid until the ring comes round again: the value (the locale's grouping and decimal sign)
// followed by `suffix` as it stands (null for none). A value at or above a non-zero limit gives
// the "-Inf." label instead. With decimals above 0 (held to 9) the fixed form prints value /
// 10^decimals with that many decimals ("$.Xz") and the float form the value ("$.Xf"); with 0
// or fewer both print a whole number ("$d"), the float rounded half away from zero and
// saturated to 32 bits. The scratch request is the length of the number and the suffix; when
// the ring cannot serve it (the library without a language context, or a suffix longer than
// the ring) the result is the "Err." label. Labels come in the module's language; the result is
// never null. The float form takes a double value and limit, so that a level with its fraction
// and an infinite limit pass unchanged.
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
