// Reading the device-wide settings. Values are taken only when they are exactly 4 bytes;
// anything else keeps the default rather than mixing its bytes into it.
#include "kaudio/audiodrvs/ReWire/device_settings.h"

#include <algorithm>
#include <string>

#include "kaudio/audiodrvs/ReWire/engine_paths.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/registry.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {
namespace {

template <typename Word>
void readWord(const platform::RegistryKey& key, const char* name, Word& value) {
  Word read{};
  uint32_t size = sizeof read;
  if (succeeded(key.queryValue(name, nullptr, &read, &size)) && size == sizeof read) value = read;
}

}  // namespace

DeviceSettings limitDeviceSettings(int32_t extraChannels, int32_t extraMonoChannels,
                                   uint32_t allowStartUp) {
  DeviceSettings settings;
  settings.extraChannels = std::clamp(extraChannels - extraChannels % 2, 0, kMaxExtraChannels);
  const int32_t mono = std::clamp(extraMonoChannels, 0, kMaxExtraMonoChannels);
  settings.extraMonoChannels = mono - mono % 2;
  settings.allowStartUp = allowStartUp;
  return settings;
}

DeviceSettings readDeviceSettings() {
  using platform::RegistryKey;
  int32_t extra = 2;
  int32_t mono = 2;
  uint32_t allow = 1;
  RegistryKey engineKey;
  RegistryKey deviceKey;
  if (succeeded(
          RegistryKey::open(platform::RegistryRoot::LocalMachine, kEngineRegistryKey, engineKey)) &&
      succeeded(engineKey.openSubKey(platform::utf8FromUtf16(moduleString(IDS_REWIRE_DEVICE_NAME)),
                                     deviceKey))) {
    readWord(deviceKey, "ExtraChannels", extra);
    readWord(deviceKey, "ExtraMonoChannels", mono);
    readWord(deviceKey, "AllowStartUp", allow);
  }
  return limitDeviceSettings(extra, mono, allow);
}

const DeviceSettings& deviceSettings() {
  static const DeviceSettings settings = readDeviceSettings();
  return settings;
}

}  // namespace tz::rewire
