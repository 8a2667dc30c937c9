// The layer's error numbers are the system's own codes, so a failed call's code passes through
// (errorFromErrno is for the POSIX backend; the C runtime's errno is not used here).
#pragma once

#include <windows.h>

#include "support/platform/platform_error.h"

namespace tz::platform {

inline PlatformError errorFromCode(DWORD code) {
  return static_cast<PlatformError>(code);
}

// The calling thread's last error; Success only when the failed call set none.
inline PlatformError lastSystemError() {
  return errorFromCode(GetLastError());
}

}  // namespace tz::platform
