// What the backends of device_file.h share: the test hook and the serial port names.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/device_file.h"

namespace tz::platform {

// True when a capture is set; `answer` is then its answer to the request.
bool capturedDeviceControl(uint32_t code, std::string_view input, PlatformError& answer);

// The original platform's serial device names, in any case: 1..9 for COM1..COM9, 0 for AUX
// (the first port under another name), -1 for any other path.
int serialPortNumber(std::string_view name);

}  // namespace tz::platform
