#include "support/platform/registry_names.h"

#include "support/platform/text_encoding.h"

namespace tz::platform::registry {

bool isValidName(std::string_view name, size_t maxUnits) {
  size_t units = 0;
  for (size_t i = 0; i < name.size();) {
    char32_t c = 0;
    if (!decodeUtf8(name, i, c) || c == 0) return false;
    units += c >= 0x10000 ? 2 : 1;
  }
  return units <= maxUnits;
}

PlatformError splitKeyPath(std::string_view path, std::vector<std::string_view>& names) {
  names.clear();
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return PlatformError::Success;
  for (size_t start = 0;;) {
    const size_t end = path.find('\\', start);
    const std::string_view name = path.substr(start, end - start);
    if (name.empty() || !isValidName(name, MaxKeyNameUnits)) {
      names.clear();
      return PlatformError::InvalidParameter;
    }
    names.push_back(name);
    if (end == std::string_view::npos) return PlatformError::Success;
    start = end + 1;
  }
}

}  // namespace tz::platform::registry
