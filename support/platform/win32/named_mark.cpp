// A mark is an event under the mark's name that its holders keep open and nobody sets: the
// system removes the name with the last handle, a dead holder's included.
#include "support/platform/named_mark.h"

#include <windows.h>

#include <utility>

#include "support/platform/win32/object_names.h"
#include "support/platform/win32/system_error.h"

namespace tz::platform {

MarkHoldResult NamedMark::hold(std::string_view name) {
  MarkHoldResult result{PlatformError::Success, NamedMark(), false};
  std::wstring systemName;
  result.error = systemObjectName(ObjectKind::Mark, name, systemName);
  if (result.error != PlatformError::Success) return result;
  const HANDLE mark = CreateEventW(nullptr, TRUE, FALSE, systemName.c_str());
  if (mark == nullptr) {
    // Another type's object holds the name: the live holders' mark is damaged.
    const DWORD code = GetLastError();
    result.error = code == ERROR_INVALID_HANDLE ? PlatformError::InvalidData : errorFromCode(code);
    return result;
  }
  result.existed = GetLastError() == ERROR_ALREADY_EXISTS;
  result.mark.handle_ = numberOf(mark);
  return result;
}

bool NamedMark::isHeld(std::string_view name) {
  std::wstring systemName;
  if (systemObjectName(ObjectKind::Mark, name, systemName) != PlatformError::Success) return false;
  const HANDLE mark = OpenEventW(SYNCHRONIZE, FALSE, systemName.c_str());
  if (mark != nullptr) {
    CloseHandle(mark);
    return true;
  }
  // A damaged mark still has a live holder.
  return GetLastError() == ERROR_INVALID_HANDLE;
}

void NamedMark::release() {
  if (handle_ >= 0) CloseHandle(handleOf(std::exchange(handle_, -1)));
}

}  // namespace tz::platform
