// Channel names and stereo pairs: the six fixed channels, then the extra stereo ports A-L,
// A-R, B-L ... and the mono ports numbered from 1.
#include "kaudio/audiodrvs/ReWire/device/device_info.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kaudio/audiodrvs/ReWire/module_strings.h"

namespace tz::rewire {
namespace {

constexpr const char* kFixedNames[kFixedChannels] = {"Master-L", "Master-R", "Rear-L",
                                                     "Rear-R",   "Center",   "LFE"};
// A channel name holds at most 30 characters and its zero.
constexpr size_t kNameChars = 30;

void setChannelName(char (&field)[32], const char* name) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, name, std::min(std::strlen(name), kNameChars));
}

}  // namespace

void fillDeviceInfo(DeviceInfo& info, const DeviceSettings& settings) {
  std::memset(info.name, 0, sizeof info.name);
  copyUtf8(moduleString(IDS_REWIRE_DEVICE_NAME), info.name, sizeof info.name);
  info.channelCount = settings.channelCount();
  uint32_t channel = 0;
  char name[32];
  for (const char* fixed : kFixedNames) setChannelName(info.channelNames[channel++], fixed);
  for (int32_t j = 0; j < settings.extraChannels; ++j) {
    std::snprintf(name, sizeof name, "Stereo Port %c-%c", 'A' + j / 2, j % 2 == 0 ? 'L' : 'R');
    setChannelName(info.channelNames[channel++], name);
  }
  for (int32_t j = 0; j < settings.extraMonoChannels; ++j) {
    std::snprintf(name, sizeof name, "Mono Port %d", static_cast<int>(j + 1));
    setChannelName(info.channelNames[channel++], name);
  }
  info.defaultChannels = ChannelSet{};
  channelSetAdd(info.defaultChannels, 0);
  channelSetAdd(info.defaultChannels, 1);
  // Bit k pairs channels 2k and 2k + 1; Center and LFE (bit 2) are no pair.
  std::memset(info.stereoPairs, 0, sizeof info.stereoPairs);
  info.stereoPairs[0] = 3;
  for (int32_t k = 0; k < settings.extraChannels / 2; ++k)
    info.stereoPairs[(3 + k) / 32] |= 1u << ((3 + k) % 32);
  info.maxBufferFrames = 512;
  info.version = kDeviceVersion;
}

void deviceNameAndVersion(int32_t* version, char* name) {
  if (version != nullptr) *version = kDeviceVersion;
  if (name != nullptr)
    copyUtf8(moduleString(IDS_REWIRE_DEVICE_NAME), name, kNameAndVersionCapacity);
}

}  // namespace tz::rewire
