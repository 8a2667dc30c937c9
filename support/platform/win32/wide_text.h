// Text towards the system's wide-character calls: the layer's names are UTF-8, the system's
// UTF-16 (wchar_t is 16 bits here).
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

#include "support/platform/text_encoding.h"

namespace tz::platform {

inline std::wstring wideFromUtf8(std::string_view text) {
  const std::u16string wide = utf16FromUtf8(text);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string utf8FromWide(const wchar_t* text, size_t length) {
  return utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

}  // namespace tz::platform
