// A test's own registry store and named-object namespace: for the object's lifetime
// TZ_REGISTRY_ROOT names the folder "registry" in a scratch folder and TZ_OBJECT_NAMESPACE is
// that folder's unique name; both come back as they were at the end. A peer process keeps its
// parent's session, inherited with the environment: in a peer nothing is made or changed, and
// folder() is empty.
#pragma once

#include <filesystem>
#include <optional>

#include "tests/common/peer_process.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

class IsolatedSession {
 public:
  IsolatedSession() {
    if (scratch_.path.empty()) return;
    registryRoot_.emplace("TZ_REGISTRY_ROOT", (scratch_.path / "registry").string());
    objectNamespace_.emplace("TZ_OBJECT_NAMESPACE", scratch_.path.filename().string());
  }

  const std::filesystem::path& folder() const { return scratch_.path; }

 private:
  ScratchFolder scratch_{!isPeer()};
  std::optional<ScopedEnv> registryRoot_, objectNamespace_;
};

}  // namespace tz::test
