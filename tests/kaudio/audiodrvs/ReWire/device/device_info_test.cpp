#include "kaudio/audiodrvs/ReWire/device/device_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using tz::rewire::fillDeviceInfo;
using tz::rewire::limitDeviceSettings;

std::vector<int> pairBits(const DeviceInfo& info) {
  std::vector<int> bits;
  for (int k = 0; k < 128; ++k)
    if (info.stereoPairs[k / 32] >> (k % 32) & 1) bits.push_back(k);
  return bits;
}

TEST(DeviceInfo, NamesChannelsAndPairsForTheConfiguredPorts) {
  DeviceInfo info;
  memset(&info, 0xAB, sizeof info);
  fillDeviceInfo(info, limitDeviceSettings(2, 2, 1));
  EXPECT_EQ(0xABABABABu, info.size) << "the size field is the caller's";
  EXPECT_STREQ("Loopra Pro 7.0", info.name);
  ASSERT_EQ(10u, info.channelCount);
  const char* names[] = {"Master-L",    "Master-R",   "Rear-L",          "Rear-R",
                         "Center",      "LFE",        "Stereo Port A-L", "Stereo Port A-R",
                         "Mono Port 1", "Mono Port 2"};
  for (int c = 0; c < 10; ++c) EXPECT_STREQ(names[c], info.channelNames[c]);
  EXPECT_EQ((std::vector<int>{0, 1, 3}), pairBits(info));
  EXPECT_EQ(3u, info.defaultChannels.words[0]);
  EXPECT_EQ(512u, info.maxBufferFrames);
  EXPECT_EQ(1000000u, info.version);

  fillDeviceInfo(info, limitDeviceSettings(52, 32, 1));
  ASSERT_EQ(90u, info.channelCount);
  EXPECT_STREQ("Stereo Port A-L", info.channelNames[6]);
  EXPECT_STREQ("Stereo Port Z-R", info.channelNames[57]);
  EXPECT_STREQ("Mono Port 32", info.channelNames[89]);
  EXPECT_EQ(28u, pairBits(info).size());
  EXPECT_EQ(28, pairBits(info).back());

  fillDeviceInfo(info, limitDeviceSettings(0, 0, 1));
  EXPECT_EQ(6u, info.channelCount);
  EXPECT_EQ((std::vector<int>{0, 1}), pairBits(info)) << "Center and LFE are no pair";
}

}  // namespace
