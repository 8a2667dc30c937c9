// What RegistryKey does alike on every backend: moving handles and the operations that are
// others in another form.
#include "support/platform/registry.h"

#include <utility>

#include "support/platform/registry_names.h"

namespace tz::platform {

RegistryKey::~RegistryKey() {
  close();
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), store_(std::exchange(other.store_, -1)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    store_ = std::exchange(other.store_, -1);
  }
  return *this;
}

PlatformError RegistryKey::deleteKey(RegistryRoot root, std::string_view path) {
  std::vector<std::string_view> names;
  if (const PlatformError error = registry::splitKeyPath(path, names); !succeeded(error))
    return error;
  if (names.empty()) return PlatformError::AccessDenied;
  RegistryKey rootKey;
  if (const PlatformError error = open(root, "", rootKey); !succeeded(error)) return error;
  return rootKey.deleteSubKey(path);
}

PlatformError RegistryKey::openSubKey(std::string_view path, RegistryKey& key) const {
  return openOrCreate(path, key, nullptr, false);
}

PlatformError RegistryKey::createSubKey(std::string_view path, RegistryKey& key,
                                        bool* created) const {
  return openOrCreate(path, key, created, true);
}

}  // namespace tz::platform
