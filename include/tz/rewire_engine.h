// The bridge engine's functions as a device library and a panel application call them, and
// the status numbers they return. The engine is a library of its own ("ReWire.dll"); its
// functions have C linkage and the default C calling convention. Handles are opaque 32-bit
// values; texts are 8-bit (UTF-8).
#pragma once

#include <cstdint>

typedef int32_t RWSTATUS;

// Status numbers.
constexpr RWSTATUS kRWSuccess = 1;
constexpr RWSTATUS kRWAlreadyOpen = 6;
constexpr RWSTATUS kRWOutOfMemory = 8;
constexpr RWSTATUS kRWGeneralFailure = 9;  // also: engine library of the wrong version
constexpr RWSTATUS kRWLibraryNotFound = 100;
constexpr RWSTATUS kRWFunctionMissing = 101;
constexpr RWSTATUS kRWNotConnected = 110;     // panel side: no message connection
constexpr RWSTATUS kRWPanelConnected = 111;   // device side: a panel is connected
constexpr RWSTATUS kRWPanelGone = 112;        // device side: the panel has gone
constexpr RWSTATUS kRWLibraryUnusable = 113;  // engine library file unusable

// Every status a panel may get, by what it tells the host (Success, and 114, a connection that
// is not usable yet, are the two answers that are not failures).
constexpr RWSTATUS kRWStatusesOutOfMemory[] = {2, kRWOutOfMemory};
constexpr RWSTATUS kRWStatusesAlreadyOpen[] = {4, kRWAlreadyOpen, 7};
constexpr RWSTATUS kRWStatusesFailed[] = {5,
                                          kRWGeneralFailure,
                                          kRWFunctionMissing,
                                          105,
                                          106,
                                          107,
                                          108,
                                          109,
                                          kRWNotConnected,
                                          kRWPanelConnected,
                                          kRWPanelGone,
                                          kRWLibraryUnusable,
                                          202};
constexpr RWSTATUS kRWNotYet = 114;

// The version number both sides pass to the open calls.
constexpr int32_t kRWEngineVersion = 1000000;

// One message channel as the device side creates it: {12, 8192, 8192}.
struct RWChannelRecord {
  uint32_t size;  // 12
  uint32_t sendBytes;
  uint32_t receiveBytes;
};
static_assert(sizeof(RWChannelRecord) == 12);

extern "C" {

// Device side, in the order of the device function table.
typedef RWSTATUS (*RWDOpenImpProc)(int32_t version);
typedef RWSTATUS (*RWDIsCloseOKImpProc)(uint8_t* okFlag);
typedef RWSTATUS (*RWDCloseImpProc)();
typedef RWSTATUS (*RWIsReWireMixerAppRunningImpProc)(uint8_t* runningFlag);
typedef RWSTATUS (*RWDComCreateImpProc)(const char* signature, int32_t channelCount,
                                        const RWChannelRecord* channels, uint32_t* handle);
typedef RWSTATUS (*RWDComCheckConnectionImpProc)(uint32_t handle);
typedef RWSTATUS (*RWDComDestroyImpProc)(uint32_t handle);
typedef RWSTATUS (*RWDComDoesMessageFitImpProc)(uint32_t handle, int32_t channel, uint32_t size);
typedef RWSTATUS (*RWDComSendImpProc)(uint32_t handle, int32_t channel, uint32_t size,
                                      const void* bytes);
typedef RWSTATUS (*RWDComReadImpProc)(uint32_t handle, int32_t channel, uint16_t* size,
                                      void* buffer);
typedef RWSTATUS (*RWDComBytesAvailableImpProc)(uint32_t handle, int32_t channel, uint32_t* bytes);

// Panel side, in the order of the panel function table.
typedef RWSTATUS (*RWPOpenImpProc)(int32_t version);
typedef RWSTATUS (*RWPIsCloseOKImpProc)(uint8_t* okFlag);
typedef RWSTATUS (*RWPCloseImpProc)();
typedef RWSTATUS (*RWPLoadDeviceImpProc)(const char* deviceName);
typedef RWSTATUS (*RWPUnloadDeviceImpProc)(const char* deviceName);
typedef RWSTATUS (*RWPComConnectImpProc)(const char* signature, uint32_t* handle);
typedef RWSTATUS (*RWPComCheckConnectionImpProc)(uint32_t handle);
typedef RWSTATUS (*RWPComDisconnectImpProc)(uint32_t handle);
typedef RWSTATUS (*RWPComDoesMessageFitImpProc)(uint32_t handle, int32_t channel, uint32_t size);
typedef RWSTATUS (*RWPComSendImpProc)(uint32_t handle, int32_t channel, uint32_t size,
                                      const void* bytes);
typedef RWSTATUS (*RWPComReadImpProc)(uint32_t handle, int32_t channel, uint16_t* size,
                                      void* buffer);
typedef RWSTATUS (*RWPComBytesAvailableImpProc)(uint32_t handle, int32_t channel, uint32_t* bytes);
typedef RWSTATUS (*RWPRegisterDeviceImpProc)(const char* libraryPath);
typedef RWSTATUS (*RWPUnregisterDeviceImpProc)(const char* libraryPath);

}  // extern "C"
