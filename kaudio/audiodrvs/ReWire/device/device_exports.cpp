// The C face of the device half. No exception leaves here: what allocates is caught and
// answered as the engine would expect of a failure.
#include "kaudio/audiodrvs/ReWire/device/device_exports.h"

#include <new>

#include "kaudio/audiodrvs/ReWire/device/device_info.h"
#include "kaudio/audiodrvs/ReWire/device/device_instance.h"

using namespace tz::rewire;

TZ_DEVICE_EXPORT(RWSTATUS) RWDEFOpenDevice(const OpenDeviceParams* params) {
  try {
    return openDevice(params);
  } catch (const std::bad_alloc&) {
    return kRWOutOfMemory;
  }
}

TZ_DEVICE_EXPORT(void) RWDEFCloseDevice() {
  closeDevice();
}

TZ_DEVICE_EXPORT(uint8_t) RWDEFIsCloseOK() {
  return isCloseOK() ? 1 : 0;
}

TZ_DEVICE_EXPORT(void) RWDEFDriveAudio(DriveAudioInput* input, DriveAudioOutput* output) {
  driveAudio(input, output);
}

TZ_DEVICE_EXPORT(void) RWDEFIdle() {
  idle();
}

TZ_DEVICE_EXPORT(RWSTATUS) RWDEFLaunchPanelApp() {
  try {
    return launchPanelApp();
  } catch (const std::bad_alloc&) {
    return kRWSuccess;
  }
}

TZ_DEVICE_EXPORT(uint8_t) RWDEFIsPanelAppLaunched() {
  return isPanelAppLaunched() ? 1 : 0;
}

TZ_DEVICE_EXPORT(RWSTATUS) RWDEFQuitPanelApp() {
  return quitPanelApp();
}

TZ_DEVICE_EXPORT(void) RWDEFGetDeviceInfo(DeviceInfo* info) {
  if (info == nullptr) return;
  try {
    fillDeviceInfo(*info, deviceSettings());
  } catch (const std::bad_alloc&) {
  }
}

TZ_DEVICE_EXPORT(void) RWDEFGetDeviceNameAndVersion(int32_t* version, char* name) {
  try {
    deviceSettings();
  } catch (const std::bad_alloc&) {
  }
  deviceNameAndVersion(version, name);
}

TZ_DEVICE_EXPORT(void) RWDEFSetAudioInfo(const AudioInfo* info) {
  setAudioInfo(info);
}

// Five bodies rather than aliases of one: an alias must repeat every attribute the compiler
// infers for its target, and what it infers (nothrow for a local definition) differs between
// the ELF and PE builds.
TZ_DEVICE_EXPORT(void) RWDEFGetEventInfo(void*) {}
TZ_DEVICE_EXPORT(void) RWDEFGetEventBusInfo(void*) {}
TZ_DEVICE_EXPORT(void) RWDEFGetEventChannelInfo(void*) {}
TZ_DEVICE_EXPORT(void) RWDEFGetEventControllerInfo(void*) {}
TZ_DEVICE_EXPORT(void) RWDEFGetEventNoteInfo(void*) {}
