#include "support/platform/text_encoding.h"

namespace tz::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

bool decodeUtf8(std::string_view text, size_t& i, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    c = lead;
    ++i;
    return true;
  }
  const size_t extra = (lead & 0xE0) == 0xC0   ? 1
                       : (lead & 0xF0) == 0xE0 ? 2
                       : (lead & 0xF8) == 0xF0 ? 3
                                               : 0;
  if (extra == 0 || text.size() - i <= extra) return false;
  char32_t value = lead & (0x3F >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    value = (value << 6) | (b & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (value < kLeast[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return false;
  c = value;
  i += extra + 1;
  return true;
}

char32_t decodeUtf16(std::u16string_view text, size_t& i) {
  const char32_t unit = text[i++];
  if (unit < 0xD800 || unit > 0xDFFF) return unit;
  if (unit > 0xDBFF || i == text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF)
    return kReplacement;
  return 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
}

bool isWellFormedUtf16(std::u16string_view text) {
  for (size_t i = 0; i < text.size();) {
    // Only an unpaired surrogate decodes to the replacement without being one itself.
    if (decodeUtf16(text, i) == kReplacement && text[i - 1] != kReplacement) return false;
  }
  return true;
}

size_t encodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

void appendUtf8(char32_t c, std::string& out) {
  char bytes[4];
  out.append(bytes, encodeUtf8(c, bytes));
}

size_t encodeUtf16(char32_t c, char16_t* out) {
  if (c < 0x10000) {
    out[0] = static_cast<char16_t>(c);
    return 1;
  }
  out[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  return 2;
}

void appendUtf16(char32_t c, std::u16string& out) {
  char16_t units[2];
  out.append(units, encodeUtf16(c, units));
}

std::string utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) appendUtf8(decodeUtf16(text, i), out);
  return out;
}

std::u16string utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    if (!decodeUtf8(text, i, c)) {
      // Skip the malformed lead byte and whatever continuation bytes follow it.
      c = kReplacement;
      ++i;
      while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    appendUtf16(c, out);
  }
  return out;
}

}  // namespace tz::platform
