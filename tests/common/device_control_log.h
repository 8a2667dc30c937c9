// Device-control requests recorded instead of issued while the object lives; the device answers
// nothing, the log answers success.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/platform/device_file.h"

namespace tz::test {

class DeviceControlLog {
 public:
  DeviceControlLog() { platform::setDeviceControlCapture(record, this); }
  DeviceControlLog(const DeviceControlLog&) = delete;
  DeviceControlLog& operator=(const DeviceControlLog&) = delete;
  ~DeviceControlLog() { platform::setDeviceControlCapture(nullptr, nullptr); }

  std::vector<std::pair<uint32_t, std::string>> requests;

 private:
  static platform::PlatformError record(uint32_t code, std::string_view input, void* context) {
    static_cast<DeviceControlLog*>(context)->requests.emplace_back(code, std::string(input));
    return platform::PlatformError::Success;
  }
};

}  // namespace tz::test
