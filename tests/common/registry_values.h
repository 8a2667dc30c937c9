// Registry values as tests write and read them: UTF-16 text as its bytes, data as a string,
// and a value as its type and bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "support/platform/registry.h"

namespace tz::test {

inline std::string utf16(std::u16string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

inline platform::PlatformError set(platform::RegistryKey& key, std::string_view name,
                                   platform::RegistryType type, std::string data) {
  return key.setValue(name, type, data.data(), static_cast<uint32_t>(data.size()));
}

// The value's type and bytes, or the failure's status in place of the type.
inline std::pair<uint32_t, std::string> get(const platform::RegistryKey& key,
                                            std::string_view name) {
  platform::RegistryType type{};
  std::string data(4096, '?');
  auto size = static_cast<uint32_t>(data.size());
  const platform::PlatformError error = key.queryValue(name, &type, data.data(), &size);
  if (error != platform::PlatformError::Success) return {static_cast<uint32_t>(error) << 16, ""};
  return {static_cast<uint32_t>(type), data.substr(0, size)};
}

}  // namespace tz::test
