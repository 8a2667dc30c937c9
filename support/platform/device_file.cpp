// What DeviceFile does alike on every system.
#include "support/platform/device_file.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "support/platform/device_file_internal.h"

namespace tz::platform {
namespace {

std::atomic<DeviceControlCapture> captureFunction{nullptr};
std::atomic<void*> captureContext{nullptr};

bool sameLetters(std::string_view a, std::string_view b) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == y; });
}

}  // namespace

DeviceFile::DeviceFile(DeviceFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

DeviceFile& DeviceFile::operator=(DeviceFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

void setDeviceControlCapture(DeviceControlCapture capture, void* context) {
  captureContext.store(context, std::memory_order_relaxed);
  captureFunction.store(capture, std::memory_order_release);
}

bool capturedDeviceControl(uint32_t code, std::string_view input, PlatformError& answer) {
  const DeviceControlCapture capture = captureFunction.load(std::memory_order_acquire);
  if (capture) answer = capture(code, input, captureContext.load(std::memory_order_relaxed));
  return capture != nullptr;
}

int serialPortNumber(std::string_view name) {
  if (sameLetters(name, "AUX")) return 0;
  if (name.size() == 4 && sameLetters(name.substr(0, 3), "COM") && name[3] >= '1' && name[3] <= '9')
    return name[3] - '0';
  return -1;
}

}  // namespace tz::platform
