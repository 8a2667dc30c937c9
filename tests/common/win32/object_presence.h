// Whether a named object of ours exists, as the system keeps it: a name of the session's
// namespace, which goes with the last handle, a dead holder's included.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "support/platform/win32/object_names.h"

namespace tz::test {

constexpr bool kDeadHoldersLeaveObjects = false;

// Asked as a mutex, which none of our objects is: any answer but "not found" means the name
// is taken.
inline bool objectExists(platform::ObjectKind kind, std::string_view name) {
  std::wstring systemName;
  if (platform::systemObjectName(kind, name, systemName) != platform::PlatformError::Success)
    return false;
  const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, systemName.c_str());
  if (mutex != nullptr) CloseHandle(mutex);
  return mutex != nullptr || GetLastError() != ERROR_FILE_NOT_FOUND;
}

// A named object goes with its last handle and every handle with its process, so the programs
// of a namespace that have ended leave none behind.
inline size_t objectsLeftInNamespace() {
  return 0;
}

}  // namespace tz::test
