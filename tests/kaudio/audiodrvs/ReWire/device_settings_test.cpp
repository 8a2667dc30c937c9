#include "kaudio/audiodrvs/ReWire/device_settings.h"

#include <gtest/gtest.h>

#include "session_registry.h"
#include "support/platform/registry.h"
#include "tests/common/isolated_session.h"

namespace {

using tz::platform::RegistryKey;
using tz::platform::RegistryType;
using tz::rewire::limitDeviceSettings;
using tz::rewire::readDeviceSettings;

TEST(DeviceSettings, StereoIsMadeEvenThenClampedMonoClampedThenMadeEven) {
  const struct {
    int32_t stereo, mono, wantStereo, wantMono;
  } cases[] = {{7, 7, 6, 6}, {60, 33, 52, 32}, {-3, -1, 0, 0}, {53, 31, 52, 30}, {2, 2, 2, 2}};
  for (const auto& c : cases) {
    const auto settings = limitDeviceSettings(c.stereo, c.mono, 1);
    EXPECT_EQ(c.wantStereo, settings.extraChannels) << c.stereo;
    EXPECT_EQ(c.wantMono, settings.extraMonoChannels) << c.mono;
  }
}

TEST(DeviceSettings, ReadsTheDeviceKeyAndKeepsDefaultsForWhatIsMissingOrMisshapen) {
  const tz::test::IsolatedSession session;
  const tz::test::SessionRegistry sessionRegistry;
  auto settings = readDeviceSettings();
  EXPECT_EQ(2, settings.extraChannels);
  EXPECT_EQ(2, settings.extraMonoChannels);
  EXPECT_EQ(1u, settings.allowStartUp);
  EXPECT_EQ(10u, settings.channelCount());

  RegistryKey key;
  ASSERT_TRUE(succeeded(
      RegistryKey::create(tz::platform::RegistryRoot::LocalMachine,
                          "SOFTWARE\\Propellerhead Software\\ReWire\\Loopra Pro 7.0", key)));
  const int32_t stereo = 60, minusOne = -1;
  const uint16_t shortWord = 0;
  key.setValue("ExtraChannels", RegistryType::Dword, &stereo, 4);
  key.setValue("ExtraMonoChannels", RegistryType::Dword, &minusOne, 4);
  key.setValue("AllowStartUp", RegistryType::Binary, &shortWord, 2);
  settings = readDeviceSettings();
  EXPECT_EQ(52, settings.extraChannels);
  EXPECT_EQ(0, settings.extraMonoChannels);
  EXPECT_EQ(1u, settings.allowStartUp) << "a 2-byte value is not a setting";
}

}  // namespace
