// The engine's own functions for a mixer application: the installed devices and loading one.
#include <cstring>

#include "standins/rewire_engine/device_loader.h"
#include "standins/rewire_engine/engine_export.h"
#include "standins/rewire_engine/installed_devices.h"

RW_ENGINE_EXPORT RWSTATUS RWMCountDevices(int32_t* count) {
  if (count == nullptr) return kRWGeneralFailure;
  *count = static_cast<int32_t>(tz::engine::installedDevices().size());
  return kRWSuccess;
}

// 100 for an index outside the list; 9 for a null name or one too small (name left empty).
RW_ENGINE_EXPORT RWSTATUS RWMGetDeviceName(int32_t index, char* name, uint32_t size) {
  if (name == nullptr || size == 0) return kRWGeneralFailure;
  name[0] = '\0';
  const auto devices = tz::engine::installedDevices();
  if (index < 0 || static_cast<size_t>(index) >= devices.size()) return kRWLibraryNotFound;
  const std::string& device = devices[static_cast<size_t>(index)];
  if (device.size() >= size) return kRWGeneralFailure;
  memcpy(name, device.c_str(), device.size() + 1);
  return kRWSuccess;
}

RW_ENGINE_EXPORT RWSTATUS RWMLoadDevice(const char* deviceName, uint32_t* handle,
                                        RWMDeviceEntryPoints* entries) {
  return tz::engine::loadDevice(deviceName, handle, entries);
}

RW_ENGINE_EXPORT RWSTATUS RWMUnloadDevice(uint32_t handle) {
  return tz::engine::unloadDevice(handle);
}

RW_ENGINE_EXPORT const char* RWMLastLoadError() {
  return tz::engine::lastLoadError();
}

static_assert(hasType<RWMCountDevicesProc>(&RWMCountDevices) &&
              hasType<RWMGetDeviceNameProc>(&RWMGetDeviceName) &&
              hasType<RWMLoadDeviceProc>(&RWMLoadDevice) &&
              hasType<RWMUnloadDeviceProc>(&RWMUnloadDevice));
