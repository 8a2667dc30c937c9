// The metrics store's readers over values of any type and content, as a damaged or foreign
// registry can hold them: every getter stays within the buffer it is given, and a binary value
// written through the store reads back as written.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/platform/registry.h"
#include "tz/metrics.h"

namespace {

using tz::platform::RegistryKey;
using tz::platform::RegistryRoot;
using tz::platform::RegistryType;

constexpr LONG kId = 7;
constexpr uint8_t kGuard = 0xA5;

struct Store {
  std::string folder = "/dev/shm/tz-fuzz-metrics-XXXXXX";
  HTZMETRICS handle = nullptr;
  RegistryKey key;
  Store() {
    // On tmpfs: every value written is a file replaced by rename.
    if (mkdtemp(folder.data()) == nullptr) std::abort();
    setenv("TZ_REGISTRY_ROOT", folder.c_str(), 1);
    if (TzMetric_Open(&handle, u"Fuzz", 0x01000000, nullptr) != S_OK) std::abort();
    if (RegistryKey::open(RegistryRoot::CurrentUser,
                          "Software\\Halvard Zivovude Software\\Fuzz\\1.0\\Metrics",
                          key) != tz::platform::PlatformError::Success)
      std::abort();
  }
  ~Store() {
    key.close();
    TzMetric_Close(handle);
    std::filesystem::remove_all(folder);
  }
};

Store& store() {
  static Store instance;
  return instance;
}

void checkGuard(const std::vector<uint8_t>& buffer, size_t from) {
  for (size_t i = from; i < buffer.size(); ++i)
    if (buffer[i] != kGuard) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  Store& s = store();
  static constexpr RegistryType kTypes[] = {RegistryType::String, RegistryType::Binary,
                                            RegistryType::Dword, RegistryType::MultiString};
  const RegistryType type = kTypes[data[0] % 4];
  const uint32_t length = data[1];  // the readers' buffer, in bytes
  const uint8_t* value = data + 2;
  const auto valueSize = static_cast<uint32_t>(std::min<size_t>(size - 2, 4096));
  // Every name the getters read, holding the same bytes under a type of the input's choice.
  for (const char* name : {"7", "S7", "Z7", "B7"}) s.key.setValue(name, type, value, valueSize);

  std::vector<uint8_t> buffer(length + 64, kGuard);
  auto* text = reinterpret_cast<WCHAR*>(buffer.data());
  const int characters = static_cast<int>(length / 2);
  TzGetMetric(s.handle, kId);
  TzGetMetricEx(s.handle, kId, -10, 10, 3);
  if (TzGetMetricStringEx(s.handle, kId, text, characters, u"default", FALSE) > characters)
    std::abort();
  checkGuard(buffer, size_t{static_cast<uint32_t>(characters)} * 2);
  std::fill(buffer.begin(), buffer.end(), kGuard);
  if (TzGetMetricMultiStringEx(s.handle, kId, text, characters, u"a\0b\0", TRUE) > characters)
    std::abort();
  checkGuard(buffer, size_t{static_cast<uint32_t>(characters)} * 2);
  std::fill(buffer.begin(), buffer.end(), kGuard);
  DWORD count = 0;
  TzGetMetricBinaryEx(s.handle, kId, buffer.data(), length, &count);
  checkGuard(buffer, length);
  std::fill(buffer.begin(), buffer.end(), kGuard);
  TzGetMetricAny(s.handle, kId, static_cast<DWORD>(type), buffer.data(), length, &count);
  checkGuard(buffer, length);

  // A binary value through the store comes back byte for byte.
  if (TzSetMetricBinary(s.handle, kId, value, valueSize) != S_OK) std::abort();
  std::vector<uint8_t> back(valueSize + 8, kGuard);
  if (TzGetMetricBinaryEx(s.handle, kId, back.data(), valueSize, &count) != S_OK ||
      count != valueSize || std::memcmp(back.data(), value, valueSize) != 0)
    std::abort();
  checkGuard(back, valueSize);
  return 0;
}
