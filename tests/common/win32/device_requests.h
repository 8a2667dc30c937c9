// Device-control codes that DeviceFile::deviceControl must refuse on this system, next to one
// it lets through: a request ('x', 1) that reads its input. A code here says the access the
// request needs (bits 14-15) and how the system passes its data (bits 0-1).
#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <winioctl.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace tz::test {

// With the input "abcde".
inline std::vector<std::pair<uint32_t, const char*>> refusedDeviceRequests() {
  return {
      {CTL_CODE('x', 1, METHOD_BUFFERED, FILE_ANY_ACCESS), "no direction"},
      {CTL_CODE('x', 1, METHOD_BUFFERED, FILE_READ_ACCESS), "reads back"},
      {CTL_CODE('x', 1, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS), "both ways"},
      {CTL_CODE('x', 1, METHOD_NEITHER, FILE_WRITE_ACCESS), "the device reads our memory"},
      {CTL_CODE('x', 1, METHOD_IN_DIRECT, FILE_WRITE_ACCESS), "direct input"},
      {CTL_CODE('x', 1, METHOD_OUT_DIRECT, FILE_WRITE_ACCESS), "direct output"},
      {0, "no request"},
  };
}

}  // namespace tz::test
