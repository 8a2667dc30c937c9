// The system's own auto-reset event under our name. It keeps every promise of the header by
// itself: a set releases one waiter, a waiter that dies takes no set with it, and the name
// goes with the last handle.
#include "support/platform/named_event.h"

#include <windows.h>

#include <utility>

#include "support/platform/win32/object_names.h"
#include "support/platform/win32/system_error.h"

namespace tz::platform {

namespace {

constexpr DWORD kAccess = EVENT_MODIFY_STATE | SYNCHRONIZE;

}  // namespace

EventOpenResult NamedEvent::adopt(PlatformError error, int32_t handle, bool existed) {
  EventOpenResult result{error, NamedEvent(), existed};
  if (error != PlatformError::Success) return result;
  result.event.handle_ = handle;
  result.event.record_ = handleOf(handle);
  return result;
}

EventOpenResult NamedEvent::create(std::string_view name) {
  std::wstring systemName;
  if (const PlatformError e = systemObjectName(ObjectKind::Event, name, systemName);
      e != PlatformError::Success)
    return adopt(e, -1, false);
  const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, systemName.c_str());
  if (event == nullptr) {
    // The name is another type's object.
    const DWORD code = GetLastError();
    return adopt(code == ERROR_INVALID_HANDLE ? PlatformError::InvalidData : errorFromCode(code),
                 -1, false);
  }
  return adopt(PlatformError::Success, numberOf(event), GetLastError() == ERROR_ALREADY_EXISTS);
}

EventOpenResult NamedEvent::open(std::string_view name) {
  std::wstring systemName;
  if (const PlatformError e = systemObjectName(ObjectKind::Event, name, systemName);
      e != PlatformError::Success)
    return adopt(e, -1, false);
  const HANDLE event = OpenEventW(kAccess, FALSE, systemName.c_str());
  if (event == nullptr) {
    const DWORD code = GetLastError();
    return adopt(code == ERROR_INVALID_HANDLE ? PlatformError::InvalidData : errorFromCode(code),
                 -1, false);
  }
  return adopt(PlatformError::Success, numberOf(event), true);
}

// Audio path: one system call, which never waits.
PlatformError NamedEvent::set() {
  if (record_ == nullptr) return PlatformError::InvalidHandle;
  return SetEvent(record_) ? PlatformError::Success : lastSystemError();
}

// Audio path: one system call; with timeoutMs 0 it only polls.
WaitResult NamedEvent::wait(uint32_t timeoutMs) {
  if (record_ == nullptr) return WaitResult::Failed;
  switch (WaitForSingleObject(record_, timeoutMs)) {
    case WAIT_OBJECT_0:
      return WaitResult::Signaled;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Failed;
  }
}

void NamedEvent::close() {
  if (record_ != nullptr) CloseHandle(record_);
  record_ = nullptr;
  handle_ = -1;
}

}  // namespace tz::platform
