#include "standins/rewire_engine/installed_devices.h"

#include <cstdint>

#include "support/platform/registry.h"
#include "support/platform/text_encoding.h"

namespace tz::engine {
namespace {

using platform::PlatformError;
using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryType;

constexpr std::string_view kDevicesKey = "SOFTWARE\\Propellerhead Software\\ReWire";

bool readDevicePath(const RegistryKey& key, std::string& path) {
  RegistryType type{};
  uint32_t size = 0;
  if (key.queryValue("Device Path", &type, nullptr, &size) != PlatformError::Success ||
      type != RegistryType::String)
    return false;
  std::u16string text(size / 2, u'\0');
  if (key.queryValue("Device Path", &type, text.data(), &size) != PlatformError::Success ||
      type != RegistryType::String)
    return false;
  // Up to the terminator the stored size counts.
  std::u16string_view stored(text.data(), size / 2 < text.size() ? size / 2 : text.size());
  path = tz::platform::utf8FromUtf16(stored.substr(0, stored.find(u'\0')));
  return !path.empty();
}

}  // namespace

std::vector<std::string> installedDevices() {
  std::vector<std::string> devices;
  RegistryKey root;
  if (RegistryKey::open(RegistryRoot::LocalMachine, kDevicesKey, root) != PlatformError::Success)
    return devices;
  std::string name, path;
  for (uint32_t i = 0; root.enumSubKey(i, name) == PlatformError::Success; ++i) {
    RegistryKey device;
    if (root.openSubKey(name, device) == PlatformError::Success && readDevicePath(device, path))
      devices.push_back(name);
  }
  return devices;
}

bool deviceLibraryPath(std::string_view device, std::string& path) {
  if (device.empty() || device.find('\\') != std::string_view::npos) return false;
  RegistryKey key;
  return RegistryKey::open(RegistryRoot::LocalMachine,
                           std::string(kDevicesKey).append("\\").append(device),
                           key) == PlatformError::Success &&
         readDevicePath(key, path);
}

}  // namespace tz::engine
