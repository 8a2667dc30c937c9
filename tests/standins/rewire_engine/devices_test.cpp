#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/platform/named_event.h"
#include "support/platform/registry.h"
#include "tests/common/device_registration.h"
#include "tests/common/eventually.h"
#include "tests/common/peer_process.h"
#include "tests/standins/rewire_engine/engine_client.h"

namespace {

using namespace std::chrono_literals;
using namespace tz::platform;
using tz::test::eventually;
using tz::test::PeerProcess;
using tz::test::registerDevice;
namespace fs = std::filesystem;

struct EngineDevicesTest : tz::test::EngineTest {
  std::string deviceName(int32_t index, uint32_t size = 64) {
    char name[64] = "?";
    const RWSTATUS status = engine_.RWMGetDeviceName(index, name, size);
    return status == kRWSuccess ? name : std::to_string(status) + name;
  }
};

TEST_F(EngineDevicesTest, EveryBuildHasTheWholeInterfaceAndItsFileVersion) {
  const std::pair<const char*, int> builds[] = {
      {TZ_ENGINE_FILE, 1}, {TZ_ENGINE_DEBUG_FILE, 1}, {TZ_ENGINE_V2_FILE, 2}};
  for (const auto& [path, major] : builds) {
    tz::test::Engine engine;
    EXPECT_TRUE(engine.load(path)) << path;
    FileVersion version;
    EXPECT_EQ(PlatformError::Success, readFileVersion(path, version));
    EXPECT_EQ(major, version.major()) << path;
  }
}

TEST_F(EngineDevicesTest, MixerPeerMarksItselfRunning) {
  TZ_PEER_ONLY();
  auto go = NamedEvent::open("go").event;
  ASSERT_EQ(kRWSuccess, engine_.RWMSetMixerRunning(1));
  ASSERT_EQ(WaitResult::Signaled, go.wait(10000));
  ASSERT_EQ(kRWSuccess, engine_.RWMSetMixerRunning(0));
  ASSERT_EQ(WaitResult::Signaled, go.wait(10000));
  ASSERT_EQ(kRWSuccess, engine_.RWMSetMixerRunning(1));
  go.wait(30000);  // until killed
}

TEST_F(EngineDevicesTest, AMixerCountsWhileItsProcessHoldsTheMark) {
  auto go = NamedEvent::create("go").event;
  const auto running = [&] {
    uint8_t flag = 2;
    EXPECT_EQ(kRWSuccess, engine_.RWIsReWireMixerAppRunningImp(&flag));
    return flag == 1;
  };
  EXPECT_FALSE(running());
  PeerProcess mixer("EngineDevicesTest.MixerPeerMarksItselfRunning");
  EXPECT_TRUE(eventually(running));
  go.set();
  EXPECT_TRUE(eventually([&] { return !running(); })) << "cleared";
  go.set();
  EXPECT_TRUE(eventually(running));
  mixer.kill9();
  EXPECT_FALSE(running()) << "a crashed mixer does not count";
  EXPECT_EQ(kRWSuccess, engine_.RWMSetMixerRunning(1));
  EXPECT_TRUE(running()) << "this process counts too";
  EXPECT_EQ(kRWSuccess, engine_.RWMSetMixerRunning(0));
  EXPECT_FALSE(running());
  EXPECT_EQ(kRWGeneralFailure, engine_.RWIsReWireMixerAppRunningImp(nullptr));
}

TEST_F(EngineDevicesTest, InstalledDevicesAreTheKeysWithADevicePathString) {
  registerDevice("Loopra Pro 7.0", u"/opt/Loopra/Audio Hardware Drivers/LoopraReWire.so");
  registerDevice("alpha", u"/opt/alpha.so");
  RegistryKey numeric;
  RegistryKey::create(RegistryRoot::LocalMachine,
                      "SOFTWARE\\Propellerhead Software\\ReWire\\Numeric", numeric);
  const uint32_t seven = 7;
  numeric.setValue("Device Path", RegistryType::Dword, &seven, 4);
  int32_t count = 0;
  EXPECT_EQ(kRWSuccess, engine_.RWMCountDevices(&count));
  EXPECT_EQ(2, count);
  EXPECT_EQ("alpha", deviceName(0));
  EXPECT_EQ("Loopra Pro 7.0", deviceName(1));
  EXPECT_EQ("100", deviceName(2));
  EXPECT_EQ("100", deviceName(-1));
  EXPECT_EQ("9", deviceName(1, 14)) << "no room for the zero";
  EXPECT_EQ(kRWSuccess, engine_.RWPRegisterDeviceImp("/opt/alpha.so"));
  EXPECT_EQ(kRWLibraryNotFound, engine_.RWPRegisterDeviceImp("/opt/beta.so"));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWPRegisterDeviceImp(nullptr));
  EXPECT_EQ(kRWSuccess, engine_.RWPUnregisterDeviceImp("/opt/alpha.so"));
  EXPECT_EQ("alpha", deviceName(0)) << "the device's key is its own";
}

TEST_F(EngineDevicesTest, LoadDeviceFindsEveryEntryPointThroughItsDevicePath) {
  // A folder beyond ASCII, with a character beyond 16 bits, proves the path's conversion.
  const fs::path folder = session_.folder() / u8"Gerät 🎛";
  fs::create_directories(folder);
  const auto library = [&](const char* name) {
    return folder / (name + std::string(kLibrarySuffix));
  };
  fs::copy_file(TZ_FIXTURE_DEVICE, library("device"));
  fs::copy_file(TZ_FIXTURE_DEVICE_PARTIAL, library("partial"));
  registerDevice("Fixture", library("device"));
  registerDevice("Partial", library("partial"));
  registerDevice("Missing", library("missing"));
  uint32_t handle = 0;
  RWMDeviceEntryPoints entries{};
  ASSERT_EQ(kRWSuccess, engine_.RWMLoadDevice("Fixture", &handle, &entries))
      << engine_.RWMLastLoadError();
  int32_t version = 0;
  char name[64] = {};
  entries.getDeviceNameAndVersion(&version, name);
  EXPECT_STREQ("Fixture Device", name);
  EXPECT_NE(nullptr, entries.getEventNoteInfo);
  EXPECT_EQ(kRWSuccess, engine_.RWMUnloadDevice(handle));
  EXPECT_EQ(kRWGeneralFailure, engine_.RWMUnloadDevice(handle));
  EXPECT_EQ(kRWFunctionMissing, engine_.RWMLoadDevice("Partial", &handle, &entries));
  EXPECT_NE(nullptr, strstr(engine_.RWMLastLoadError(), "RWDEFGetEventNoteInfo"));
  for (const char* absent : {"Missing", "Absent", "Fixture\\..", ""})
    EXPECT_EQ(kRWLibraryNotFound, engine_.RWMLoadDevice(absent, &handle, &entries)) << absent;
  EXPECT_EQ(kRWSuccess, engine_.RWPLoadDeviceImp("Fixture"));
  EXPECT_EQ(kRWSuccess, engine_.RWPUnloadDeviceImp("Fixture"));
  EXPECT_EQ(kRWLibraryNotFound, engine_.RWPUnloadDeviceImp("Fixture"));

  registerDevice("Loopra Pro 7.0", TZ_DRIVER_FILE);
  EXPECT_EQ(kRWSuccess, engine_.RWMLoadDevice("Loopra Pro 7.0", &handle, &entries))
      << engine_.RWMLastLoadError();
}

}  // namespace
