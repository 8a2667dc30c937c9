// What the device tells the mixer about itself: its name, version and channels.
#pragma once

#include <cstdint>

#include "kaudio/audiodrvs/ReWire/device_settings.h"
#include "tz/rewire_device.h"

namespace tz::rewire {

constexpr int32_t kDeviceVersion = 1000000;
constexpr uint32_t kNameAndVersionCapacity = 64;  // bytes the caller's name buffer holds

// Fills everything but the record's size field: name, channel count and names, the default
// channels (0 and 1), the stereo pairs, 512 and the version.
void fillDeviceInfo(DeviceInfo& info, const DeviceSettings& settings);

// The device name as UTF-8 (at most 63 bytes and a zero) and the version; either may be null.
void deviceNameAndVersion(int32_t* version, char* name);

}  // namespace tz::rewire
