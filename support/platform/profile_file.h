// The per-user profile file: an INI file of [sections] with key=value lines, read with a
// default for what it does not hold. Not for the audio path (it reads the file each time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tz::platform {

// The file: TZ_PROFILE_FILE when set, else on Windows win.ini in the Windows folder (the file
// of the system's own profile calls), elsewhere $XDG_CONFIG_HOME/tz/profile.ini, else
// ~/.config/tz/profile.ini.
std::string profileFilePath();

// Section and key names are case-insensitive. Blanks around names and values are dropped,
// and a value in double quotes loses its quotes. Lines starting with ';' are comments. A line
// ends at a line feed, a carriage return or a NUL byte, so no value holds one.
std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view fallback);
// The leading decimal digits of the value (with an optional sign); the fallback when the key
// is missing or the value does not start with a number.
int32_t readProfileInt(std::string_view section, std::string_view key, int32_t fallback);

}  // namespace tz::platform
