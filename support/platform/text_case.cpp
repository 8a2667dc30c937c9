// Case folding by a fixed table of one-to-one pairs.
#include "support/platform/text_case.h"

#include "support/platform/text_encoding.h"

namespace tz::platform {

char32_t foldCase(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    return (c % 2 == 1) == oddUpper ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
  return c;
}

int compareWithoutCase(std::u16string_view a, std::u16string_view b) {
  size_t i = 0, k = 0;
  while (i < a.size() && k < b.size()) {
    const char32_t x = foldCase(decodeUtf16(a, i)), y = foldCase(decodeUtf16(b, k));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  return k < b.size() ? -1 : 0;
}

}  // namespace tz::platform
