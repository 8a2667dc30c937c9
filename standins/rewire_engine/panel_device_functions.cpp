// The panel side's device functions. Devices write their own registry keys, so the engine
// keeps no list of its own: registering only checks that the library is an installed
// device's, and unregistering has nothing to forget (it must not delete the key, since a
// panel may call it right after writing its device's key).
#include <string>

#include "standins/rewire_engine/device_loader.h"
#include "standins/rewire_engine/engine_export.h"
#include "standins/rewire_engine/installed_devices.h"

// 1 when some installed device's "Device Path" is exactly this path, else 100; 9 for none.
RW_ENGINE_EXPORT RWSTATUS RWPRegisterDeviceImp(const char* libraryPath) {
  if (libraryPath == nullptr || libraryPath[0] == '\0') return kRWGeneralFailure;
  std::string path;
  for (const std::string& device : tz::engine::installedDevices())
    if (tz::engine::deviceLibraryPath(device, path) && path == libraryPath) return kRWSuccess;
  return kRWLibraryNotFound;
}

RW_ENGINE_EXPORT RWSTATUS RWPUnregisterDeviceImp(const char* libraryPath) {
  return libraryPath == nullptr || libraryPath[0] == '\0' ? kRWGeneralFailure : kRWSuccess;
}

// Loads the installed device's library into this process and keeps it until unloaded by
// name; statuses as RWMLoadDevice.
RW_ENGINE_EXPORT RWSTATUS RWPLoadDeviceImp(const char* deviceName) {
  return tz::engine::loadDeviceByName(deviceName);
}

// 1, or 100 when this process holds no load of the device.
RW_ENGINE_EXPORT RWSTATUS RWPUnloadDeviceImp(const char* deviceName) {
  return tz::engine::unloadDeviceByName(deviceName);
}

static_assert(hasType<RWPRegisterDeviceImpProc>(&RWPRegisterDeviceImp) &&
              hasType<RWPUnregisterDeviceImpProc>(&RWPUnregisterDeviceImp) &&
              hasType<RWPLoadDeviceImpProc>(&RWPLoadDeviceImp) &&
              hasType<RWPUnloadDeviceImpProc>(&RWPUnloadDeviceImp));
