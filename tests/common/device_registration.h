// Lists a device library with the engine in the registry of the test's session, as the
// device's installer would.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/platform/registry.h"

namespace tz::test {

inline void registerDevice(const std::string& device, const std::filesystem::path& library) {
  using namespace tz::platform;
  RegistryKey key;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::create(RegistryRoot::LocalMachine,
                                "SOFTWARE\\Propellerhead Software\\ReWire\\" + device, key));
  const std::u16string path = library.u16string();
  ASSERT_EQ(PlatformError::Success, key.setValue("Device Path", RegistryType::String, path.c_str(),
                                                 static_cast<uint32_t>((path.size() + 1) * 2)));
}

}  // namespace tz::test
