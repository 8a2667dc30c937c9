// Text towards the system: UTF-8 in the layer's interface, UTF-16 in the system's.
#pragma once

#include <string>
#include <string_view>

#include "support/platform/text_encoding.h"

namespace tz::platform {

// Strict: false when the text is not UTF-8 or holds a NUL, which no system name can.
inline bool wideFromUtf8(std::string_view text, std::wstring& wide) {
  wide.clear();
  std::u16string units;
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    if (!decodeUtf8(text, i, c) || c == 0) return false;
    appendUtf16(c, units);
  }
  wide.assign(units.begin(), units.end());
  return true;
}

// Lenient: an unpaired surrogate, which the system's names may hold, becomes U+FFFD.
inline std::string utf8FromWide(std::wstring_view wide) {
  return utf8FromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace tz::platform
