// The start-up fault guard on structured exceptions: every processor fault but a debugger's
// traps ends the probe.
#include "support/platform/fault_guard.h"

#include <windows.h>

#include "support/platform/win32/structured_guard.h"

namespace tz::platform {
namespace {

long __attribute__((stdcall)) endOnFault(const void* pointers, const char*) {
  const DWORD code =
      static_cast<const EXCEPTION_POINTERS*>(pointers)->ExceptionRecord->ExceptionCode;
  return code == EXCEPTION_BREAKPOINT || code == EXCEPTION_SINGLE_STEP ? EXCEPTION_CONTINUE_SEARCH
                                                                       : EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

bool runCatchingFaults(void (*probe)(void*), void* context) {
  return !runUnderExceptionFrame(probe, context, endOnFault, nullptr, false).ended;
}

}  // namespace tz::platform
