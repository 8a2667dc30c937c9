// Whether a named object of ours exists, as the system keeps it: a file of the namespace's
// folder, which a holder that died leaves behind for the next create or open to treat as gone.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "support/platform/posix/named_object_path.h"
#include "tests/common/object_folder.h"

namespace tz::test {

constexpr bool kDeadHoldersLeaveObjects = true;

inline bool objectExists(platform::ObjectKind kind, std::string_view name) {
  std::string path;
  return platform::posix::objectPath(kind, name, path) == platform::PlatformError::Success &&
         access(path.c_str(), F_OK) == 0;
}

// The named objects of this process's namespace (TZ_OBJECT_NAMESPACE) left in the user's folder,
// whoever made them.
inline size_t objectsLeftInNamespace() {
  const char* name = getenv("TZ_OBJECT_NAMESPACE");
  const std::string tag = std::string("~") + (name != nullptr ? name : "") + "~";
  size_t left = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(objectFolder(), error))
    left += entry.path().filename().string().find(tag) != std::string::npos;
  return left;
}

}  // namespace tz::test
