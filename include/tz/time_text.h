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

// Hours, minutes, seconds and frames at a free frame rate. A record whose format is one of the
// SMPTE formats 1..6 converts with TZSMPTE_NanoToSMPTE and TZSMPTE_SMPTEToNanos instead, and the
// rate is not read. A null record is ignored (and converts to 0).
// To the fields: the time's magnitude (the writers print the sign) plus half a frame when the
// rate is above 0.01, split into hours (modulo 24), minutes and seconds, the frames rounded
// down; a rate that is not a finite number above 0 gives frame 0. The format is kept.
TZAPI(void) TzNanoTimeToHMSF(LONGLONG time, _smpteval* value, double frameRate);
// From the fields: trunc((hours × 3600 + minutes × 60 + seconds + frames / rate) × 10^7 + 0.5),
// fields unsigned; a rate that is not a finite number above 0 gives 0, a time beyond the
// 64-bit range its limit.
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

// Text to times. Every reader takes hostile text: nothing it reads can fault, overflow or
// reach an undefined conversion (sums and products saturate at the 64-bit limits), and `end`,
// when not null, receives a position between `text` and its terminator. A null text or null
// position format reads nothing and gives 0 (end = text), outputs 0 included.
//
// The clock-time, hours-minutes-seconds-frames, feet-and-frames and music-time readers skip
// leading blanks and split the text into numbers: every run of the digits 0-9 is one number
// and any run of other characters one separator, so the locale's and the library's separators
// of any length, "+" and blanks all separate. A run of digits saturates at 2^63 - 1. They read a
// fixed count of numbers at most and stop after the last; `end` receives the position after
// the last number read, or the first non-blank when there was none.
// A frame rate, tempo or sample rate that is not a finite number above 0 makes the time 0.
//
// Time in the position format's time format:
//  1. blanks are skipped and one "-" noted; `end` starts at the terminator;
//  2. an empty remainder gives `def` (not negated); otherwise by format code: 0 samples (held
//     between the counts of the times -2^62 and 2^61, then converted rounding half up; rate 0
//     gives 0), 1 TzTextToTimeToken × 10 000, 2 seconds and 4 frames read by
//     TzTextToDoubleToken in locale mode and rounded to nearest, 3 TzTextToHMSFToken, 5 and 13
//     TzTextToMusicTimeToken with `flags`, 6-10 and 18 TZSMPTE_TextToSMPTE at the SMPTE formats
//     5, 1, 2, 3, 4, 6, 11 raw time units, 12 microseconds (× 10), 15 and 16
//     TzTextToFeetAndFramesToken, 17 TZSMPTE_TextToSMPTE as free hours-minutes-seconds-frames at
//     75 frames a second; 14 (beats), 19 (compact clock) and codes outside 0..19 read nothing
//     and give 0. The time-code, CD and feet-and-frames readers cannot say where they stopped:
//     `end` stays at the terminator;
//  3. the noted "-" negates what was read; unless TZTIMETEXT_ABSOLUTE the origin is added;
//  4. with TZTIMETEXT_CLAMP a time of 0 with `end` at a character other than the terminator or
//     a blank becomes `def`; then the time is raised to `min` and lowered to `max` (max wins).
// TZTIMETEXT_BEATS reads music time without ticks; TZTIMETEXT_ABSOLUTE also keeps code 5 from
// making its one-based measures and beats zero-based, as it keeps the writers from the reverse.
TZAPI(LONGLONG)
TzTextToNanoTimeToken2(const WCHAR* text, const _tzposfmt* format, LONGLONG def, LONGLONG min,
                       LONGLONG max, DWORD flags, const WCHAR** end);
// TzTextToNanoTimeToken2 without default or range; the origin is added.
TZAPI(LONGLONG)
TzTextToNanoTimeToken(const WCHAR* text, const _tzposfmt* format, BOOL beatsOnly,
                      const WCHAR** end);
// TzTextToNanoTimeToken2 with TZTIMETEXT_CLAMP; the origin is added, the default's too.
TZAPI(LONGLONG)
TzTextToNanoTimeTokenEx(const WCHAR* text, const _tzposfmt* format, BOOL beatsOnly, LONGLONG def,
                        LONGLONG min, LONGLONG max, const WCHAR** end);
// Clock time in milliseconds; the position format's fields are not used. With `noFraction` up to
// three numbers, aligned right, are hours, minutes and seconds. Without it up to four, the last
// being the fraction of a second by its first three digits ("5" 500, "05" 50, "1234" 123), but a
// lone number in a text without a blank after its leading ones is whole seconds ("5" is 5 s, "5 "
// half a second).
TZAPI(LONGLONG)
TzTextToTimeToken(const WCHAR* text, const _tzposfmt* format, BOOL noFraction, const WCHAR** end);
// Feet and frames, up to two numbers aligned right, 40 (`forty`) or 16 frames a foot, as time
// rounded to nearest at the frame rate.
TZAPI(LONGLONG) TzTextToFeetAndFramesToken(const WCHAR* text, const _tzposfmt* format, BOOL forty);
// Music time as ticks: after blanks one "-" is noted, then up to three numbers from the left are
// measures, beats and ticks (missing ones 0); the "-" negates the measures. With `oneBased`
// exactly 1 a positive measure and a positive beat each lose 1. Result = (beats per measure ×
// measures + beats) × ticks per quarter + multiplier × ticks: a beat counts ticks per quarter
// whatever the beat unit (in 6/8 at 960, "2.1.0" one-based is 5760 ticks), unlike the
// music-time writers. The outputs, each may be null, receive the measures and beats after those
// steps and the multiplied ticks.
TZAPI(LONGLONG)
TzTextToMeasuresBeatsTicks(const WCHAR* text, const _tzposfmt* format, BOOL oneBased,
                           LONG tickMultiplier, LONGLONG* measures, LONGLONG* beats,
                           LONGLONG* ticks);
TZAPI(LONGLONG)
TzTextToTicks(const WCHAR* text, const _tzposfmt* format, BOOL oneBased, LONG tickMultiplier);
// Beats and ticks, up to two numbers from the left (a "-" changes nothing): ticks per quarter ×
// beats + multiplier × ticks. The outputs may be null.
TZAPI(LONGLONG)
TzTextToBeatsTicks(const WCHAR* text, const _tzposfmt* format, LONG tickMultiplier, LONGLONG* beats,
                   LONGLONG* ticks);
// Hours, minutes, seconds and frames (seconds last with `noFrames`), up to four (three) numbers
// aligned right, each held to 2^32 - 1, converted by TzHMSFToNanoTime at the frame rate.
TZAPI(LONGLONG)
TzTextToHMSFToken(const WCHAR* text, const _tzposfmt* format, BOOL noFrames, const WCHAR** end);
// Music time as time: up to three numbers aligned right, measures, beats and ticks (two,
// measures and beats, with TZTIMETEXT_BEATS). In time format 5 without TZTIMETEXT_ABSOLUTE a
// measure and a beat above 0 each lose 1. Time = trunc((ticks / ticks per quarter + beats per
// measure × measures + beats) / tempo × 6 × 10^8); with 0 ticks per quarter the ticks count
// for nothing.
TZAPI(LONGLONG)
TzTextToMusicTimeToken(const WCHAR* text, const _tzposfmt* format, DWORD flags, const WCHAR** end);
