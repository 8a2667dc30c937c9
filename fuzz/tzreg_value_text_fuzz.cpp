// tzreg's reader of /d text for each type (the first byte picks it): what it accepts shows
// without a raw control character, and printable text shown reads back as the same value. A
// refusal is one line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/platform/text_encoding.h"
#include "support/platform/tzreg/value_text.h"

namespace {

using tz::platform::RegistryType;

// UTF-8 without C0 or C1 controls or DEL.
bool safeForTerminal(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    if (!tz::platform::decodeUtf8(text, i, c) || c < 0x20 || (c >= 0x7F && c < 0xA0)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tz::tzreg;
  if (size == 0) return 0;
  constexpr RegistryType Types[] = {RegistryType::String, RegistryType::Dword, RegistryType::Binary,
                                    RegistryType::MultiString};
  const RegistryType type = Types[data[0] % 4];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  RegistryType named{};
  if (const std::string error = parseType(text, named); !error.empty() && !safeForTerminal(error))
    std::abort();
  std::string value, again;
  if (const std::string error = parseData(type, text, value); !error.empty()) {
    if (!safeForTerminal(error)) std::abort();
    return 0;
  }
  const std::string shown = showData(type, value);
  if (!safeForTerminal(shown)) std::abort();
  if (shownText(text) == text && (!parseData(type, shown, again).empty() || again != value))
    std::abort();
  return 0;
}
