// The device entry points that the bridge engine calls in the mixer's process. Statuses
// are the engine's numbers (1 success); booleans are one byte.
#pragma once

#include <cstdint>

#include "tz/export.h"
#include "tz/rewire_device.h"

TZ_DEVICE_EXPORT(RWSTATUS) RWDEFOpenDevice(const OpenDeviceParams* params);
TZ_DEVICE_EXPORT(void) RWDEFCloseDevice();
TZ_DEVICE_EXPORT(uint8_t) RWDEFIsCloseOK();
TZ_DEVICE_EXPORT(void) RWDEFDriveAudio(DriveAudioInput* input, DriveAudioOutput* output);
TZ_DEVICE_EXPORT(void) RWDEFIdle();
TZ_DEVICE_EXPORT(RWSTATUS) RWDEFLaunchPanelApp();
TZ_DEVICE_EXPORT(uint8_t) RWDEFIsPanelAppLaunched();
TZ_DEVICE_EXPORT(RWSTATUS) RWDEFQuitPanelApp();
TZ_DEVICE_EXPORT(void) RWDEFGetDeviceInfo(DeviceInfo* info);
TZ_DEVICE_EXPORT(void) RWDEFGetDeviceNameAndVersion(int32_t* version, char* name);
TZ_DEVICE_EXPORT(void) RWDEFSetAudioInfo(const AudioInfo* info);
// The event descriptions: the device has none, so they leave the record as it is.
TZ_DEVICE_EXPORT(void) RWDEFGetEventInfo(void* record);
TZ_DEVICE_EXPORT(void) RWDEFGetEventBusInfo(void* record);
TZ_DEVICE_EXPORT(void) RWDEFGetEventChannelInfo(void* record);
TZ_DEVICE_EXPORT(void) RWDEFGetEventControllerInfo(void* record);
TZ_DEVICE_EXPORT(void) RWDEFGetEventNoteInfo(void* record);
