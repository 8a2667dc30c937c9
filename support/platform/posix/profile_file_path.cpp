#include <cstdlib>

#include "support/platform/profile_file.h"

namespace tz::platform {

std::string profileFilePath() {
  if (const char* file = getenv("TZ_PROFILE_FILE"); file != nullptr && *file != '\0') return file;
  if (const char* config = getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
    return std::string(config) + "/tz/profile.ini";
  const char* home = getenv("HOME");
  return std::string(home ? home : "") + "/.config/tz/profile.ini";
}

}  // namespace tz::platform
