// The registry a test works in: a key of its own, HKEY_CURRENT_USER\Software\TzTest\<unique>,
// deleted with everything below it when the sandbox ends. The system's registry is shared, so
// tests never write outside it.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

#include "support/platform/registry.h"

namespace tz::test {

class RegistrySandbox {
 public:
  RegistrySandbox() {
    std::random_device seed;
    name_ = "TzTest\\" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(seed());
    platform::RegistryKey key;
    if (platform::RegistryKey::create(root(), "Software\\" + name_, key) !=
        platform::PlatformError::Success)
      abort();
  }
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;
  ~RegistrySandbox() {
    platform::RegistryKey::deleteKey(root(), "Software\\" + name_);
    // The machine root's key exists only when a test could write there.
    platform::RegistryKey::deleteKey(platform::RegistryRoot::LocalMachine, "Software\\" + name_);
  }

  platform::RegistryRoot root() const { return platform::RegistryRoot::CurrentUser; }
  std::string path(std::string_view relative) const {
    return "Software\\" + name_ + (relative.empty() ? "" : "\\") + std::string(relative);
  }
  std::string toolKey() const { return "HKCU\\Software\\" + name_; }
  std::string shownKey() const { return "HKEY_CURRENT_USER\\Software\\" + name_; }
  // HKEY_LOCAL_MACHINE takes writes only from an administrator.
  std::string machinePath(std::string_view relative) const { return path(relative); }
  // No store of files here.
  std::filesystem::path folder() const { return {}; }

 private:
  std::string name_;
};

}  // namespace tz::test
