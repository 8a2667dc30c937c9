// Channel names and pairs come from the device's info record, bounded by its channel count.
#include "standins/rwmixer/device_report.h"

#include <algorithm>
#include <cstring>

namespace tz::mixer {

std::string fieldText(const char* field, size_t size) {
  const void* zero = std::memchr(field, 0, size);
  return std::string(field, zero ? static_cast<const char*>(zero) - field : size);
}

void printDeviceReport(std::FILE* out, const std::string& name, int32_t version,
                       const DeviceInfo& info) {
  const uint32_t count = std::min<uint32_t>(info.channelCount, 256);
  std::fprintf(out, "device: %s, version %d\n", name.c_str(), version);
  std::fprintf(out, "channels: %u", count);
  for (uint32_t c = 0; c < count; ++c) {
    std::fprintf(out, "%s%s", c == 0 ? " (" : ", ", fieldText(info.channelNames[c], 32).c_str());
  }
  std::fprintf(out, "%s\n", count ? ")" : "");
  std::fprintf(out, "stereo pairs:");
  bool any = false;
  for (uint32_t k = 0; 2 * k + 1 < count; ++k) {
    if ((info.stereoPairs[k / 32] >> (k % 32) & 1u) == 0) continue;
    std::fprintf(out, "%s %s + %s", any ? "," : "", fieldText(info.channelNames[2 * k], 32).c_str(),
                 fieldText(info.channelNames[2 * k + 1], 32).c_str());
    any = true;
  }
  std::fprintf(out, "%s\n", any ? "" : " none");
}

}  // namespace tz::mixer
