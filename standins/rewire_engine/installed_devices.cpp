#include "standins/rewire_engine/installed_devices.h"

#include <cstdint>

#include "support/platform/registry.h"

namespace tz::rewire {
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
  path = utf8FromUtf16(text.data(), size / 2 < text.size() ? size / 2 : text.size());
  return !path.empty();
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
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

std::string utf8FromUtf16(const char16_t* text, size_t units) {
  std::string out;
  for (size_t i = 0; i < units && text[i] != u'\0'; ++i) {
    char32_t c = text[i];
    const bool high = c >= 0xD800 && c < 0xDC00;
    if (high && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

}  // namespace tz::rewire
