// Elapsed-time measurement in milliseconds and microseconds against 64-bit marks, from the
// best clock the machine offers (the millisecond tick until start-up switches to the
// high-resolution counter). Results are unsigned 32-bit and wrap. The functions keep no lock,
// allocate nothing and read one clock: they may be called on the audio path.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

// Milliseconds and microseconds since the library's start mark.
TZAPI(DWORD) TzGetMillisec();
TZAPI(DWORD) TzGetMicrosec();

// Time since the caller's mark; the Delta forms also move the mark to now. A caller starts
// a mark with a Delta call and ignores its first result. A null mark gives 0.
TZAPI(DWORD) TzGetMillisecEx(ULONGLONG* mark);
TZAPI(DWORD) TzGetMicrosecEx(ULONGLONG* mark);
TZAPI(DWORD) TzDeltaMillisecEx(ULONGLONG* mark);
TZAPI(DWORD) TzDeltaMicrosecEx(ULONGLONG* mark);

// Switches to the processor's cycle counter where start-up found it stable; returns TRUE if
// the cycle counter is in use afterwards. Called once by the library's start-up.
TZAPI(BOOL) TzTimer_LateInitialize();
