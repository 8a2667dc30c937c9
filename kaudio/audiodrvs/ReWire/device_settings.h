// The device-wide settings of the engine's registry key for this device: extra stereo and
// mono channels, and whether the panel application may be started.
#pragma once

#include <cstdint>

namespace tz::rewire {

constexpr uint32_t kFixedChannels = 6;
constexpr int32_t kMaxExtraChannels = 52;
constexpr int32_t kMaxExtraMonoChannels = 32;

struct DeviceSettings {
  int32_t extraChannels = 2;      // even, 0..52
  int32_t extraMonoChannels = 2;  // even, 0..32
  uint32_t allowStartUp = 1;      // non-zero: the panel application may be launched

  uint32_t channelCount() const {
    return kFixedChannels + static_cast<uint32_t>(extraChannels + extraMonoChannels);
  }
};

// Applies the limits to values as read: the stereo count is made even toward zero, then
// clamped; the mono count is clamped, then made even toward zero.
DeviceSettings limitDeviceSettings(int32_t extraChannels, int32_t extraMonoChannels,
                                   uint32_t allowStartUp);

// Reads the settings now (defaults 2, 2, 1 for whatever is missing).
DeviceSettings readDeviceSettings();

// The settings as read on the first call in this process.
const DeviceSettings& deviceSettings();

}  // namespace tz::rewire
