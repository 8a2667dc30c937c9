// Whether a named object of ours exists, as the system keeps it: a file of the namespace's
// folder, which a holder that died leaves behind for the next create or open to treat as gone.
#pragma once

#include <unistd.h>

#include <string>
#include <string_view>

#include "support/platform/posix/named_object_path.h"

namespace tz::test {

constexpr bool kDeadHoldersLeaveObjects = true;

inline bool objectExists(platform::ObjectKind kind, std::string_view name) {
  std::string path;
  return platform::posix::objectPath(kind, name, path) == platform::PlatformError::Success &&
         access(path.c_str(), F_OK) == 0;
}

}  // namespace tz::test
