#include "support/platform/posix/serial_port_path.h"

#include <cstdlib>

#include "support/platform/device_file_internal.h"

namespace tz::platform {
namespace {

std::string overridden(const std::string& variable, std::string fallback) {
  const char* value = getenv(variable.c_str());
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

}  // namespace

std::string serialPortPath(std::string_view path) {
  const int number = serialPortNumber(path);
  if (number == 0) return overridden("TZ_SERIAL_AUX", "/dev/ttyS0");
  if (number > 0)
    return overridden("TZ_SERIAL_COM" + std::to_string(number),
                      "/dev/ttyS" + std::to_string(number - 1));
  return std::string(path);
}

}  // namespace tz::platform
