#include "support/platform/posix/serial_port_path.h"

#include <strings.h>

#include <cstdlib>

namespace tz::platform {
namespace {

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string overridden(const std::string& variable, std::string fallback) {
  const char* value = getenv(variable.c_str());
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

}  // namespace

std::string serialPortPath(std::string_view path) {
  if (sameName(path, "AUX")) return overridden("TZ_SERIAL_AUX", "/dev/ttyS0");
  if (path.size() == 4 && sameName(path.substr(0, 3), "COM") && path[3] >= '1' && path[3] <= '9') {
    const char number = path[3];
    return overridden(std::string("TZ_SERIAL_COM") + number,
                      std::string("/dev/ttyS") + static_cast<char>(number - 1));
  }
  return std::string(path);
}

}  // namespace tz::platform
