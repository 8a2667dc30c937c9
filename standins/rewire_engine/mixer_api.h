// The bridge engine's own interface for a mixer application: which devices are installed,
// loading one and reaching its device entry points, and the running-mixer mark that panel
// applications ask about. C linkage, the default C calling convention, UTF-8 texts.
#pragma once

#include <cstdint>

#include "tz/rewire_device.h"

extern "C" {

// A device library's entry points, looked up by their exported names.
struct RWMDeviceEntryPoints {
  RWDEFOpenDeviceProc openDevice;
  RWDEFCloseDeviceProc closeDevice;
  RWDEFIsCloseOKProc isCloseOK;
  RWDEFDriveAudioProc driveAudio;
  RWDEFIdleProc idle;
  RWDEFLaunchPanelAppProc launchPanelApp;
  RWDEFIsPanelAppLaunchedProc isPanelAppLaunched;
  RWDEFQuitPanelAppProc quitPanelApp;
  RWDEFGetDeviceInfoProc getDeviceInfo;
  RWDEFGetDeviceNameAndVersionProc getDeviceNameAndVersion;
  RWDEFSetAudioInfoProc setAudioInfo;
  RWDEFGetEventInfoProc getEventInfo;
  RWDEFGetEventInfoProc getEventBusInfo;
  RWDEFGetEventInfoProc getEventChannelInfo;
  RWDEFGetEventInfoProc getEventControllerInfo;
  RWDEFGetEventInfoProc getEventNoteInfo;
};

// Marks this process as the running mixer (running != 0) or clears the mark. The mark goes
// with the process, also when it dies. 1 on success.
RWSTATUS RWMSetMixerRunning(uint8_t running);

// Installed devices: the sub keys of HKLM\SOFTWARE\Propellerhead Software\ReWire that carry
// a "Device Path" string, in the order of their names (case ignored). The name is copied
// zero-terminated into name[0..size): 100 for an index outside the list, 9 when it does not
// fit (name left empty).
RWSTATUS RWMCountDevices(int32_t* count);
RWSTATUS RWMGetDeviceName(int32_t index, char* name, uint32_t size);

// Loads the named device's library by its "Device Path" and fills its entry points; the
// handle unloads it (9 for a handle not given). 100 when the device is not installed or its
// library cannot be loaded, 101 when an entry point is missing, 9 for a null argument.
RWSTATUS RWMLoadDevice(const char* deviceName, uint32_t* handle, RWMDeviceEntryPoints* entries);
RWSTATUS RWMUnloadDevice(uint32_t handle);

// Why the calling thread's last RWMLoadDevice failed, for the mixer's error line; valid
// until that thread's next failure.
const char* RWMLastLoadError();

typedef RWSTATUS (*RWMSetMixerRunningProc)(uint8_t running);
typedef RWSTATUS (*RWMCountDevicesProc)(int32_t* count);
typedef RWSTATUS (*RWMGetDeviceNameProc)(int32_t index, char* name, uint32_t size);
typedef RWSTATUS (*RWMLoadDeviceProc)(const char* deviceName, uint32_t* handle,
                                      RWMDeviceEntryPoints* entries);
typedef RWSTATUS (*RWMUnloadDeviceProc)(uint32_t handle);
typedef const char* (*RWMLastLoadErrorProc)();

}  // extern "C"
