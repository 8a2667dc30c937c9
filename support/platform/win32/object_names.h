// Our named objects in the session's namespace ("Local\" is implied for a plain name): each
// kind under its own prefix, since the system keeps events, sections and mutexes in one
// namespace and refuses a name that an object of another type has.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "support/platform/object_name.h"
#include "support/platform/platform_error.h"

namespace tz::platform {

// "tz-" and objectName, as UTF-16 (it is ASCII). InvalidName as objectName says.
inline PlatformError systemObjectName(ObjectKind kind, std::string_view name, std::wstring& out) {
  std::string word;
  const PlatformError error = objectName(kind, name, word);
  if (error != PlatformError::Success) return error;
  out = L"tz-";
  out.append(word.begin(), word.end());
  return PlatformError::Success;
}

inline HANDLE handleOf(int32_t number) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(number));
}

// Handles are small multiples of four, so every one fits a non-negative int32_t.
inline int32_t numberOf(HANDLE handle) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle));
}

}  // namespace tz::platform
