// The debug output channel: a text painted into a strip along the bottom of the screen, or
// sent to a file, a serial port or a device named in the user's profile (section "Debug").
// It needs no set-up call; its state is process-wide and set up on first use.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

// The mode that selects the file target; any other mode paints on the screen.
constexpr DWORD TZ_DEBUG_TO_FILE = 2;

// Sends text (UTF-16, terminated; null counts as empty), ending the line when newline is
// non-zero.
//
// File target: the profile's "LogToFilePath" (default "COM1", falling back to "AUX"; a serial
// port is set to 115200 baud, 8 data bits, no parity) is opened once, without sharing, and
// appended to. The text goes out as UTF-8, with "\r\n" for a newline, in pieces of at most
// 640 bytes that never split a character. With a non-zero "DeviceIoctl" each piece instead
// goes out as that device-control request, with "\n" for a newline; only a request that reads
// no more than the piece and writes nothing back is sent.
//
// Screen target: the text is painted at the strip's cursor, "LogToScreenLines" lines tall
// (default 5; 0 or less, or more than the screen holds: the whole screen height); the cursor
// starts again at the strip's top-left when the strip is full.
//
// Threads: calls may come from any thread at once; each call's text goes out whole, unmixed
// with another's. A device that does not read never makes a call wait: what it would not take
// is dropped. Not otherwise for the audio path (the first call reads the profile).
//
// Statuses (callers may ignore them): S_OK, all sent or painted; S_FALSE, the device took only
// part (it would have had to wait, or a write failed); TZ_E_FILENOTOPENED, no target could be
// opened; E_ACCESSDENIED, the configured request is not one that may be sent, nothing sent.
TZAPI(HRESULT) TzDebugString(const WCHAR* text, BOOL newline, DWORD mode);
