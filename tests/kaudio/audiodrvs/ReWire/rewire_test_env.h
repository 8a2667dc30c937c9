// A test's own registry store and named-object namespace in a temporary folder, removed
// afterwards; a peer process keeps its parent's.
#pragma once

#include <stdlib.h>

#include <filesystem>

#include "tests/support/platform/peer_process.h"
#include "tests/support/platform/temp_folder.h"

namespace tz::test {

struct RewireTestEnv : TempFolder {
  const std::filesystem::path& folder = path;

  RewireTestEnv() : TempFolder(!isPeer()) {
    if (path.empty()) return;
    setenv("TZ_REGISTRY_ROOT", (path / "registry").c_str(), 1);
    setenv("TZ_OBJECT_NAMESPACE", path.filename().c_str(), 1);
  }
};

}  // namespace tz::test
