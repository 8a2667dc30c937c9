// The bridge engine library as the mixer uses it: loaded by its file name through the
// loader's search order (this program's run path first) or from a given path, with the
// engine's mixer functions looked up by name.
#pragma once

#include <string>
#include <vector>

#include "standins/rewire_engine/mixer_api.h"
#include "support/platform/module.h"

namespace tz::mixer {

class EngineBinding {
 public:
  static constexpr const char* kFileName = "ReWire.dll";

  // An empty path loads kFileName by name. On failure `error` says why, in one line.
  bool load(const std::string& path, std::string& error);
  std::string path() const { return module_.path(); }

  // Installed device names, in the engine's order.
  std::vector<std::string> deviceNames() const;
  // The engine's loader message after a failed loadDevice; empty when it has none.
  std::string lastLoadError() const;

  RWMSetMixerRunningProc setMixerRunning = nullptr;
  RWMCountDevicesProc countDevices = nullptr;
  RWMGetDeviceNameProc getDeviceName = nullptr;
  RWMLoadDeviceProc loadDevice = nullptr;
  RWMUnloadDeviceProc unloadDevice = nullptr;

 private:
  using LastLoadErrorProc = const char* (*)();
  LastLoadErrorProc lastLoadError_ = nullptr;
  tz::platform::Module module_;
};

}  // namespace tz::mixer
