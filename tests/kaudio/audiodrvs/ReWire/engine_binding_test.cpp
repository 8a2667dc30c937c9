#include "kaudio/audiodrvs/ReWire/engine_binding.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "session_registry.h"
#include "support/platform/module.h"
#include "support/platform/registry.h"
#include "tests/common/isolated_session.h"

namespace {

using tz::platform::RegistryKey;

TEST(EngineBinding, EngineStatusesMapToHostStatuses) {
  const std::pair<uint32_t, std::vector<RWSTATUS>> cases[] = {
      {0, {1}},
      {1, {114}},
      {0x8007000E, {2, 8}},
      {0x80040964, {4, 6, 7}},
      {0x80004005, {5, 9, 101, 105, 113, 202}},
      {0x8000FFFF, {0, 104, -1}}};
  for (const auto& [host, engine] : cases)
    for (const RWSTATUS status : engine)
      EXPECT_EQ(host, static_cast<uint32_t>(tz::rewire::mapReWireError(status))) << status;
}

TEST(EngineBinding, RegistrationWritesTheLibraryPathUnderAnExistingEngineKey) {
  const tz::test::IsolatedSession session;
  const tz::test::SessionRegistry sessionRegistry;
  const auto root = tz::platform::RegistryRoot::LocalMachine;
  RegistryKey key;
  EXPECT_EQ(S_FALSE, tz::rewire::registerReWireDevice());
  EXPECT_FALSE(succeeded(RegistryKey::open(root, "SOFTWARE\\Propellerhead Software", key)));
  ASSERT_TRUE(
      succeeded(RegistryKey::create(root, "SOFTWARE\\Propellerhead Software\\ReWire", key)));
  EXPECT_EQ(S_OK, tz::rewire::registerReWireDevice());
  RegistryKey device;
  ASSERT_TRUE(succeeded(key.openSubKey("Loopra Pro 7.0", device)));
  char16_t path[512] = {};
  uint32_t size = sizeof path;
  ASSERT_TRUE(succeeded(device.queryValue("Device Path", nullptr, path, &size)));
  const std::string self = tz::platform::currentModulePath();
  EXPECT_EQ(2 * (self.size() + 1), size) << "the terminator is counted";
  EXPECT_EQ(std::u16string(self.begin(), self.end()), path);
}

}  // namespace
