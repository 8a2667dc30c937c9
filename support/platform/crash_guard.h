// Runs work on the calling thread "guarded": a processor fault in it (SIGSEGV, SIGILL, SIGFPE,
// SIGBUS, SIGTRAP raised by the work's own instructions) becomes an exception record with the
// original platform's codes and a processor context, handed to a filter that runs on an
// alternate stack, so a stack overflow is reported too. The filter either ends the work or
// passes the fault on to the handler that was there before, and the process ends as it would
// have. Signals on threads that are not guarded, and signals sent by kill or raise, go to the
// previous handlers exactly as before.
//
// The handlers are installed when the first guarded work starts and the previous ones are put
// back when the last ends (unless someone replaced ours meanwhile); loading the library
// installs nothing. On Windows the faults are the system's own structured exceptions, taken by
// an exception frame of the guard's own: frames inside the work see them first, and what the
// filter passes on goes to the frames around the guard and the top-level filter.
#pragma once

#include "support/platform/platform_error.h"
#include "tz/exception_record.h"
#include "tz/export.h"

namespace tz::platform {

// Called on the faulting thread inside the signal handler, on the guard's alternate stack:
// it must not wait for a lock the work may hold. EXCEPTION_EXECUTE_HANDLER (1) ends the work;
// any other answer passes the fault on. A fault inside the filter itself is passed on.
using CrashFilter = LONG(TZ_CALLBACK*)(const EXCEPTION_POINTERS* pointers, const char* threadName);

struct GuardedRun {
  // InvalidParameter for a null work or filter, NotEnoughMemory when the alternate stack or a
  // place among the guarded threads (128 at a time) cannot be had: the work did not run then.
  PlatformError status = PlatformError::Success;
  bool ended = false;       // a fault ended the work, and the filter handled it
  DWORD exceptionCode = 0;  // that fault's code
};

// Calls work(context) guarded, with threadName (may be null) handed to the filter. Guards
// nest; the innermost one takes a fault. Not for the audio path: it allocates and installs.
GuardedRun runGuarded(void (*work)(void* context), void* context, CrashFilter filter,
                      const char* threadName);

}  // namespace tz::platform
