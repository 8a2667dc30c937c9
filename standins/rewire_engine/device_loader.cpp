#include "standins/rewire_engine/device_loader.h"

#include <cstdio>
#include <iterator>
#include <map>
#include <mutex>
#include <utility>

#include "standins/rewire_engine/installed_devices.h"
#include "support/platform/module.h"

namespace tz::engine {
namespace {

using platform::Module;
using platform::PlatformError;

// In the order of RWMDeviceEntryPoints' fields.
constexpr const char* kEntryNames[] = {"RWDEFOpenDevice",
                                       "RWDEFCloseDevice",
                                       "RWDEFIsCloseOK",
                                       "RWDEFDriveAudio",
                                       "RWDEFIdle",
                                       "RWDEFLaunchPanelApp",
                                       "RWDEFIsPanelAppLaunched",
                                       "RWDEFQuitPanelApp",
                                       "RWDEFGetDeviceInfo",
                                       "RWDEFGetDeviceNameAndVersion",
                                       "RWDEFSetAudioInfo",
                                       "RWDEFGetEventInfo",
                                       "RWDEFGetEventBusInfo",
                                       "RWDEFGetEventChannelInfo",
                                       "RWDEFGetEventControllerInfo",
                                       "RWDEFGetEventNoteInfo"};
static_assert(std::size(kEntryNames) * sizeof(void*) == sizeof(RWMDeviceEntryPoints));

struct Loaded {
  std::string device;
  bool byName;  // loaded for a panel application, which unloads by name
  Module module;
};

std::mutex loadedLock;
std::map<uint32_t, Loaded> loaded;
uint32_t lastHandle = 0;
// Plain bytes: a thread_local with a destructor would pin the engine in memory.
thread_local char lastError[512];

template <typename Proc>
void take(Proc& field, void* symbol) {
  field = reinterpret_cast<Proc>(symbol);
}

void fill(RWMDeviceEntryPoints& e, void* const (&s)[std::size(kEntryNames)]) {
  take(e.openDevice, s[0]);
  take(e.closeDevice, s[1]);
  take(e.isCloseOK, s[2]);
  take(e.driveAudio, s[3]);
  take(e.idle, s[4]);
  take(e.launchPanelApp, s[5]);
  take(e.isPanelAppLaunched, s[6]);
  take(e.quitPanelApp, s[7]);
  take(e.getDeviceInfo, s[8]);
  take(e.getDeviceNameAndVersion, s[9]);
  take(e.setAudioInfo, s[10]);
  take(e.getEventInfo, s[11]);
  take(e.getEventBusInfo, s[12]);
  take(e.getEventChannelInfo, s[13]);
  take(e.getEventControllerInfo, s[14]);
  take(e.getEventNoteInfo, s[15]);
}

RWSTATUS fail(RWSTATUS status, const std::string& message) {
  snprintf(lastError, sizeof lastError, "%s", message.c_str());
  return status;
}

RWSTATUS load(const char* deviceName, bool byName, uint32_t* handle,
              RWMDeviceEntryPoints* entries) {
  if (deviceName == nullptr || handle == nullptr || entries == nullptr)
    return fail(kRWGeneralFailure, "no device name or no place for the result");
  *handle = 0;
  std::string path;
  if (!deviceLibraryPath(deviceName, path))
    return fail(kRWLibraryNotFound, std::string("device not installed: ") + deviceName);
  Module module;
  if (module.loadFromPath(path) != PlatformError::Success)
    return fail(kRWLibraryNotFound, platform::lastLoadMessage());
  void* symbols[std::size(kEntryNames)];
  for (size_t i = 0; i < std::size(kEntryNames); ++i) {
    symbols[i] = module.symbol(kEntryNames[i]);
    if (symbols[i] == nullptr)
      return fail(kRWFunctionMissing, path + ": no entry point " + kEntryNames[i]);
  }
  fill(*entries, symbols);
  const std::lock_guard guard(loadedLock);
  if (++lastHandle == 0) ++lastHandle;
  loaded.emplace(lastHandle, Loaded{deviceName, byName, std::move(module)});
  *handle = lastHandle;
  return kRWSuccess;
}

RWSTATUS unload(uint32_t handle, bool byName) {
  Module module;  // unloaded outside the lock: a library's own teardown may take a while
  const std::lock_guard guard(loadedLock);
  const auto it = loaded.find(handle);
  if (it == loaded.end() || it->second.byName != byName) return kRWGeneralFailure;
  module = std::move(it->second.module);
  loaded.erase(it);
  return kRWSuccess;
}

}  // namespace

RWSTATUS loadDevice(const char* deviceName, uint32_t* handle, RWMDeviceEntryPoints* entries) {
  return load(deviceName, false, handle, entries);
}

RWSTATUS unloadDevice(uint32_t handle) {
  return unload(handle, false);
}

RWSTATUS loadDeviceByName(const char* deviceName) {
  uint32_t handle = 0;
  RWMDeviceEntryPoints entries{};
  return load(deviceName, true, &handle, &entries);
}

RWSTATUS unloadDeviceByName(const char* deviceName) {
  if (deviceName == nullptr) return kRWGeneralFailure;
  uint32_t handle = 0;
  {
    const std::lock_guard guard(loadedLock);
    for (const auto& [h, device] : loaded)
      if (device.byName && device.device == deviceName) handle = h;
  }
  return handle != 0 ? unload(handle, true) : kRWLibraryNotFound;
}

const char* lastLoadError() {
  return lastError;
}

}  // namespace tz::engine
