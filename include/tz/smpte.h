// SMPTE time code: conversions between time-code records, absolute frame counts and the
// library's time unit (signed 64-bit counts of 100 ns, 10 000 000 a second), label arithmetic
// and reading time code typed as text. Nothing here allocates, locks or reports an error;
// every function may be called from any thread, the audio path included.
#pragma once

#include <cstddef>

#include "tz/export.h"
#include "tz/win_types.h"

// A time code. Fields are read as given: hours 0..23, minutes and seconds 0..59 and frames
// below the format's labels per second are what the functions write, but values outside
// those ranges are taken as they are (unsigned arithmetic, wrapping modulo 2^32) and never
// make a function fail.
struct _smpteval {
  DWORD format;  // one of TZSMPTE_FMT_…; any other value is not a time-code format
  DWORD hours;
  DWORD minutes;
  DWORD seconds;
  DWORD frames;
  DWORD reserved;  // cleared by TZSMPTE_TextToSMPTE, otherwise left alone
};
static_assert(sizeof(_smpteval) == 24);
static_assert(offsetof(_smpteval, format) == 0 && offsetof(_smpteval, hours) == 4);
static_assert(offsetof(_smpteval, minutes) == 8 && offsetof(_smpteval, seconds) == 12);
static_assert(offsetof(_smpteval, frames) == 16 && offsetof(_smpteval, reserved) == 20);

// Formats: labels per second, real rate in frames per second, frames in 24 hours.
constexpr DWORD TZSMPTE_FMT_30 = 1;         // 30, 30, 2 592 000
constexpr DWORD TZSMPTE_FMT_2997_DROP = 2;  // 30 drop-frame, 30000/1001, 2 589 408
constexpr DWORD TZSMPTE_FMT_25 = 3;         // 25, 25, 2 160 000
constexpr DWORD TZSMPTE_FMT_24 = 4;         // 24, 24, 2 073 600
constexpr DWORD TZSMPTE_FMT_2997 = 5;       // 30, 30000/1001, 2 592 000
constexpr DWORD TZSMPTE_FMT_23976 = 6;      // 24, 24000/1001, 2 073 600
// Drop-frame labels: frames 0 and 1 at second 0 of every minute not a multiple of 10 do not
// exist. A record whose format is none of the six counts as 0 frames, converts from frame
// counts as drop-frame does and uses 30 frames a second for time.

// Null records (and null texts) are ignored: such a call changes nothing, and a function with
// a result returns 0.

// The absolute frame count of a time code. A dropped label counts as frame 2 of its second.
TZAPI(DWORD) TZSMPTE_SMPTEToFrameCount(const _smpteval* value);
// Sets hours, minutes, seconds and frames from a count reduced modulo the format's day; the
// format is kept.
TZAPI(void) TZSMPTE_FrameCountToSMPTE(_smpteval* value, DWORD frameCount);

// a = a + b, each counted in its own format, in a's format, wrapping past midnight.
TZAPI(void) TZSMPTE_AddSMPTE(_smpteval* a, const _smpteval* b);
// a = a - b, wrapping before midnight. The difference is taken as a signed 32-bit count and
// reduced by a's day; a format that is none of the six wraps by the drop-frame day, the
// period by which it converts from counts, so that 0 less one frame is 23:59:59;29.
TZAPI(void) TZSMPTE_SubtractSMPTE(_smpteval* a, const _smpteval* b);
// 1, -1 or 0 as a is later than, earlier than or equal to b, comparing hours, minutes,
// seconds, then frames as unsigned numbers. Formats are not compared.
TZAPI(int) TZSMPTE_SMPTECompare(const _smpteval* a, const _smpteval* b);

// One label forward or back, wrapping at midnight and skipping dropped labels. A field at or
// past its last value carries; a field at 0 borrows, so no field ever wraps through 2^32.
// `unused` is not read.
TZAPI(void) TZSMPTE_IncrementByFrame(_smpteval* value, DWORD unused);
TZAPI(void) TZSMPTE_DeccrementByFrame(_smpteval* value, DWORD unused);

// Time to time code: the frame count trunc(rate x time / 10^7 + 0.000005) at the format's
// real rate, whose low 32 bits go to TZSMPTE_FrameCountToSMPTE. A negative time folds
// through those low bits; callers pass times from 0.
TZAPI(void) TZSMPTE_NanoToSMPTE(LONGLONG time, _smpteval* value);
// Time code to time: trunc(frame count / rate x 10^7 + 0.999).
TZAPI(LONGLONG) TZSMPTE_SMPTEToNanos(const _smpteval* value);
// As TZSMPTE_SMPTEToNanos for a time code at any frame rate: the seconds total (taken modulo
// 2^32) times `rate`, plus the frames. The format is ignored. A rate that is not a finite
// number above 0 gives 0; a result beyond the 64-bit range gives its limit.
TZAPI(LONGLONG) TZSMPTE_SmpteLikeToNanos(double rate, const _smpteval* value);

// Reads "hh:mm:ss:ff" and shorter or looser forms: every character but 0-9 separates numbers, runs
// of more than two digits split into pairs from the right ("01020304"), each separator after the
// last digit stands for a 0 field after it ("1:02:" is 00:01:02:00) and trailing spaces are
// ignored. Up to four numbers are read, the last being the frames; frames carry into seconds at the
// format's labels per second (for the six formats only), seconds and minutes at 60, hours wrap
// at 24. Clears `reserved`, keeps the format, makes no drop-frame correction. Returns 0 when the
// text was used up, else the character of the text at which reading stopped after the fourth
// number.
TZAPI(WCHAR) TZSMPTE_TextToSMPTE(const WCHAR* text, _smpteval* value);
