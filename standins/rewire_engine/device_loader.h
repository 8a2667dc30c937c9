// Loading an installed device's library by its "Device Path" and finding its 16 entry
// points. Loaded libraries stay with the engine until unloaded, under a handle, or for the
// panel side, under the device's name. Not for the audio path.
#pragma once

#include <cstdint>
#include <string>

#include "standins/rewire_engine/mixer_api.h"

namespace tz::engine {

// 1 and the handle; 100 when the device is not installed or its library does not load;
// 101 when an entry point is missing; 9 for null arguments. Failures leave a message for
// RWMLastLoadError on this thread.
RWSTATUS loadDevice(const char* deviceName, uint32_t* handle, RWMDeviceEntryPoints* entries);
// 1, or 9 for a handle that loadDevice did not give.
RWSTATUS unloadDevice(uint32_t handle);
// As loadDevice, kept under the device's name; each unload by name drops one such load
// (100 when there is none).
RWSTATUS loadDeviceByName(const char* deviceName);
RWSTATUS unloadDeviceByName(const char* deviceName);

const char* lastLoadError();

}  // namespace tz::engine
