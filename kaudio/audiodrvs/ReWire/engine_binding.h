// Binding to the bridge engine library ("ReWireDebug.dll", else "ReWire.dll"): one module
// per process, one reference count shared by the device and the panel half, and the two
// function tables. Binding and release happen on control threads; the tables are read by
// the audio path without a lock, which is safe because they are filled before the caller
// publishes anything that uses them and cleared only after it has withdrawn it.
#pragma once

#include <string>

#include "tz/rewire_engine.h"
#include "tz/win_types.h"

namespace tz::rewire {

// The engine's device functions, in table order. Bound while `open` is set.
struct DeviceApi {
  RWDOpenImpProc open;
  RWDIsCloseOKImpProc isCloseOK;
  RWDCloseImpProc close;
  RWIsReWireMixerAppRunningImpProc isMixerAppRunning;
  RWDComCreateImpProc comCreate;
  RWDComCheckConnectionImpProc comCheckConnection;
  RWDComDestroyImpProc comDestroy;
  RWDComDoesMessageFitImpProc comDoesMessageFit;
  RWDComSendImpProc comSend;
  RWDComReadImpProc comRead;
  RWDComBytesAvailableImpProc comBytesAvailable;
};

// The engine's panel functions, in table order. Bound while `open` is set.
struct PanelApi {
  RWPOpenImpProc open;
  RWPIsCloseOKImpProc isCloseOK;
  RWPCloseImpProc close;
  RWIsReWireMixerAppRunningImpProc isMixerAppRunning;
  RWPLoadDeviceImpProc loadDevice;
  RWPUnloadDeviceImpProc unloadDevice;
  RWPComConnectImpProc comConnect;
  RWPComCheckConnectionImpProc comCheckConnection;
  RWPComDisconnectImpProc comDisconnect;
  RWPComDoesMessageFitImpProc comDoesMessageFit;
  RWPComSendImpProc comSend;
  RWPComReadImpProc comRead;
  RWPComBytesAvailableImpProc comBytesAvailable;
  RWPRegisterDeviceImpProc registerDevice;
  RWPUnregisterDeviceImpProc unregisterDevice;
};

// Loads the engine, or counts one more user of the loaded one. 1 on success; 100 when
// neither file is found, 8 when memory or handles run out, 113 for a file that is no usable
// library, 9 for any other failure and for an engine whose file version is not 1.x.
RWSTATUS loadEngineLibrary();
// Counts one user less; the last one unloads the engine.
void releaseEngineLibrary();
// The loaded engine's full path; empty while none is loaded.
std::string engineLibraryPath();

// Binds the device table and opens the engine's device side: 1, 6 when already bound, 101
// when a function is missing, a load status, or the engine's own open status. Any failure
// leaves the table unbound and the engine count as it was.
RWSTATUS openDeviceApi();
// Closes the engine's device side: on 1 the table is unbound and the engine released;
// any other status leaves both as they were. 9 when the table is not bound.
RWSTATUS closeDeviceApi();
const DeviceApi& deviceApi();

RWSTATUS openPanelApi();
RWSTATUS closePanelApi();
const PanelApi& panelApi();

// Writes this library's path as "Device Path" under the engine's key for the device name
// and tells the bound panel side about it. 0 when written, 1 when the path or the key is
// missing.
HRESULT registerReWireDevice();

// The status that the panel half returns to the host for an engine status.
HRESULT mapReWireError(RWSTATUS status);

}  // namespace tz::rewire
