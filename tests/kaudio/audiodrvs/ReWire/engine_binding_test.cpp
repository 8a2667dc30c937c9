#include "kaudio/audiodrvs/ReWire/engine_binding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

// The bind probe's line, run with the engine search path and environment given.
std::string probe(const std::string& mode, const std::string& path, const std::string& env = "") {
  const std::string command =
      "LD_LIBRARY_PATH='" + path + "' " + env + " " TZ_BIND_PROBE " " + mode;
  FILE* pipe = popen(command.c_str(), "r");
  char line[256] = "";
  if (pipe == nullptr || fgets(line, sizeof line, pipe) == nullptr) return "no output";
  pclose(pipe);
  return std::string(line, strcspn(line, "\n"));
}

TEST(EngineBinding, FindsTheDebugEngineFirstElseTheReleaseOneAndRefusesOtherVersions) {
  const tz::test::IsolatedSession session;
  EXPECT_EQ("1 6 ReWire.dll 1 1 1", probe("bind", TZ_ENGINE_DIR));
  EXPECT_EQ("1 6 ReWireDebug.dll 1 1 1", probe("bind", TZ_ENGINE_DIR ":" TZ_ENGINE_DEBUG_DIR));
  EXPECT_EQ("9 9 -", probe("bind", TZ_ENGINE_V2_DIR)) << "version 2, also the second time";
  EXPECT_EQ("100 100 -", probe("bind", session.folder().string()));
  EXPECT_EQ("101 101 -", probe("bind", TZ_FAKE_ENGINE_DIR "/incomplete"));
}

TEST(EngineBinding, DeviceOpenReleasesTheEngineWhenItFailsAndStaysBoundWhenCloseIsRefused) {
  const tz::test::IsolatedSession session;
  const std::string fake = TZ_FAKE_ENGINE_DIR "/full";
  EXPECT_EQ("1 1 1", probe("open", fake));
  EXPECT_EQ("9 0 9", probe("open", fake, "TZ_FAKE_ENGINE_HANDLE=0")) << "created, no handle";
  EXPECT_EQ("1 1 6", probe("open", fake, "TZ_FAKE_ENGINE_CLOSE=9")) << "close refused";
}

TEST(EngineBinding, RegistrationWritesTheLibraryPathUnderAnExistingEngineKey) {
  const tz::test::IsolatedSession session;
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
