// The device's description as the mixer prints it before the run: name, version, channels
// and stereo pairs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tz/rewire_device.h"

namespace tz::mixer {

// A zero-terminated text field of a record, cut at its size if the device left no zero.
std::string fieldText(const char* field, size_t size);

void printDeviceReport(std::FILE* out, const std::string& name, int32_t version,
                       const DeviceInfo& info);

}  // namespace tz::mixer
