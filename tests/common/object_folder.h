// Where this process keeps the user's named objects, for tests that look at the files.
#pragma once

#include <string>

#include "support/platform/posix/named_object_path.h"

namespace tz::test {

inline std::string objectFolder() {
  std::string path;
  platform::posix::objectPath(platform::posix::ObjectKind::Mark, "any", path);
  return path.substr(0, path.rfind('/'));
}

}  // namespace tz::test
