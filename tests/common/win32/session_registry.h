// The registry keys of a device session that a test must find empty: the engine's list of
// installed devices (HKEY_LOCAL_MACHINE) and the host's settings store (HKEY_CURRENT_USER). They
// live in the system's registry, which the programs a test starts read as well and which no
// per-process redirection reaches: they are removed when a test starts and when it ends (the
// engine vendor's key too when nothing else is left in it), and the suites that use them hold
// the ctest resource lock "rewire_devices", so no two tests share them. A peer process keeps
// its parent's.
#pragma once

#include <string>

#include "support/platform/registry.h"
#include "tests/common/peer_process.h"

namespace tz::test {

class SessionRegistry {
 public:
  SessionRegistry() { clear(); }
  SessionRegistry(const SessionRegistry&) = delete;
  SessionRegistry& operator=(const SessionRegistry&) = delete;
  ~SessionRegistry() { clear(); }

 private:
  static void clear() {
    using namespace platform;
    if (isPeer()) return;
    RegistryKey::deleteKey(RegistryRoot::CurrentUser, "Software\\Halvard Zivovude Software");
    constexpr char kVendor[] = "SOFTWARE\\Propellerhead Software";
    RegistryKey::deleteKey(RegistryRoot::LocalMachine, std::string(kVendor) + "\\ReWire");
    RegistryKey vendor;
    if (RegistryKey::open(RegistryRoot::LocalMachine, kVendor, vendor) != PlatformError::Success)
      return;
    std::string name;
    const bool empty =
        vendor.enumSubKey(0, name) == PlatformError::NoMoreItems &&
        vendor.enumValue(0, name, nullptr, nullptr, nullptr) == PlatformError::NoMoreItems;
    vendor = RegistryKey();
    if (empty) RegistryKey::deleteKey(RegistryRoot::LocalMachine, kVendor);
  }
};

}  // namespace tz::test
