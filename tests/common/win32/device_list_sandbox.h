// The engine's list of installed devices as a test sees it. It lives in the system's registry,
// HKEY_LOCAL_MACHINE, which the programs a test starts read as well and which no per-process
// redirection reaches: the list is emptied when a test starts and when it ends, and the suites
// that register devices hold the ctest resource lock "rewire_devices", so no two tests share it.
// A peer process keeps its parent's list.
#pragma once

#include "support/platform/registry.h"
#include "tests/common/peer_process.h"

namespace tz::test {

class DeviceListSandbox {
 public:
  DeviceListSandbox() { clear(); }
  DeviceListSandbox(const DeviceListSandbox&) = delete;
  DeviceListSandbox& operator=(const DeviceListSandbox&) = delete;
  ~DeviceListSandbox() { clear(); }

 private:
  static void clear() {
    if (!isPeer())
      platform::RegistryKey::deleteKey(platform::RegistryRoot::LocalMachine,
                                       "SOFTWARE\\Propellerhead Software\\ReWire");
  }
};

}  // namespace tz::test
