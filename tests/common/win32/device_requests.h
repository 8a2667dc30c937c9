// Device-control codes that DeviceFile::deviceControl must refuse on this system, next to one
// it lets through: a request ('x', 1) that reads its input. A code here says the access the
// request needs (bits 14-15) and how the system passes its data (bits 0-1), as the system's
// CTL_CODE puts them; spelled out here so that tests of the library's own records can include it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace tz::test {

namespace control {
constexpr uint32_t kBuffered = 0, kInDirect = 1, kOutDirect = 2, kNeither = 3;
constexpr uint32_t kAnyAccess = 0, kReadAccess = 1, kWriteAccess = 2;
constexpr uint32_t code(uint32_t type, uint32_t function, uint32_t method, uint32_t access) {
  return type << 16 | access << 14 | function << 2 | method;
}
}  // namespace control

// With the input "abcde".
inline std::vector<std::pair<uint32_t, const char*>> refusedDeviceRequests() {
  using namespace control;
  return {
      {code('x', 1, kBuffered, kAnyAccess), "no direction"},
      {code('x', 1, kBuffered, kReadAccess), "reads back"},
      {code('x', 1, kBuffered, kReadAccess | kWriteAccess), "both ways"},
      {code('x', 1, kNeither, kWriteAccess), "the device reads our memory"},
      {code('x', 1, kInDirect, kWriteAccess), "direct input"},
      {code('x', 1, kOutDirect, kWriteAccess), "direct output"},
      {0, "no request"},
  };
}

}  // namespace tz::test
