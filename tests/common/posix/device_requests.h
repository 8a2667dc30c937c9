// Device-control codes that DeviceFile::deviceControl must refuse on this system, next to one
// it lets through: a request ('x', 1) that reads 4 bytes.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "support/platform/device_file.h"

namespace tz::test {

// With the input "abcde".
inline std::vector<std::pair<uint32_t, const char*>> refusedDeviceRequests() {
  const uint32_t four = platform::deviceWriteRequest('x', 1, 4);
  return {
      {platform::deviceWriteRequest('x', 1, 6), "reads past the input"},
      {platform::deviceWriteRequest('x', 1, 0), "reads nothing"},
      {0x5412, "an old request without direction (pushes input to a terminal)"},
      {four ^ 0xC0000000u, "reads back into the input"},
      {four | 0x80000000u, "both ways"},
      {0, "no request"},
  };
}

}  // namespace tz::test
