// Where the original platform's serial device names lead on this system.
#pragma once

#include <string>
#include <string_view>

namespace tz::platform {

// COMn (n = 1..9) is /dev/ttyS(n-1) and AUX is /dev/ttyS0, each unless the environment
// variable TZ_SERIAL_COMn or TZ_SERIAL_AUX names another (a pseudo-terminal in tests); names
// are matched in any case. Any other path comes back as given.
std::string serialPortPath(std::string_view path);

}  // namespace tz::platform
