// The registry a test works in: a store of files of its own, which TZ_REGISTRY_ROOT names while
// the sandbox lives. Both roots are the test's to change.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "environment_variable.h"
#include "support/platform/registry.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

class RegistrySandbox {
 public:
  RegistrySandbox() { setEnvironmentVariable("TZ_REGISTRY_ROOT", folder_.path.c_str()); }
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;
  ~RegistrySandbox() { removeEnvironmentVariable("TZ_REGISTRY_ROOT"); }

  // The root and the path from it of `relative` below the sandbox's key in that root.
  platform::RegistryRoot root() const { return platform::RegistryRoot::LocalMachine; }
  std::string path(std::string_view relative) const { return std::string(relative); }
  // The sandbox's key as tools name it ("HKLM\\...") and as they show it.
  std::string toolKey() const { return "HKLM"; }
  std::string shownKey() const { return "HKEY_LOCAL_MACHINE"; }
  // The machine root's path for `relative`; it takes writes here.
  std::string machinePath(std::string_view relative) const { return std::string(relative); }
  // The store's folder.
  const std::filesystem::path& folder() const { return folder_.path; }

 private:
  ScratchFolder folder_;
};

}  // namespace tz::test
