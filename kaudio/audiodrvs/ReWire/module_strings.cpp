// The module's English string table. The language resources will replace it; until then
// every text the driver shows or names an object with is looked up here by its id.
#include "kaudio/audiodrvs/ReWire/module_strings.h"

namespace tz::rewire {
namespace {

struct StringEntry {
  uint32_t id;
  std::u16string_view text;
};

constexpr StringEntry kStrings[] = {
    {1002, u"HALVARD ReWire Driver"},
    {1003, u"Halvard ReWire Driver (Internal)"},
    {1004, u"Halvard ReWire Driver (Beta)"},
    {1517, u"ReWire Driver"},
    {1526, u"ReWire Driver Class"},
    {1527, u"ReWire Device Driver"},
    {1528, u"Halvard.Loopra7.ReWireDevice"},
    {1529, u"Halvard.Loopra7.ReWireDevice.Event"},
    {1530, u"Halvard.Loopra7.ReWireDriver.Event"},
    {1531, u"Loopra Pro 7.0"},
    {1532, u"QRX7"},
    {1533, u"Time Critical"},
    {1534, u"Highest"},
    {1535, u"Above Normal"},
    {1536, u"Normal"},
    {1537, u"Below Normal"},
    {1538, u"Lowest"},
    {1539, u"Idle"},
};

constexpr char32_t kReplacement = 0xFFFD;

// The code point at text[i], advancing i past it.
char32_t nextCodePoint(std::u16string_view text, size_t& i) {
  const char32_t unit = text[i++];
  if (unit < 0xD800 || unit > 0xDFFF) return unit;
  if (unit > 0xDBFF || i == text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF)
    return kReplacement;
  return 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
}

size_t encodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | c >> 6);
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | c >> 12);
    out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | c >> 18);
  out[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
  out[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// The code point at text[i], advancing i past it; overlong forms and surrogates count as
// malformed.
char32_t nextUtf8(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (extra == 0 || lead > 0xF4) return kReplacement;
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
      return kReplacement;
    c = c << 6 | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return c;
}

}  // namespace

std::u16string_view moduleString(uint32_t id) {
  for (const StringEntry& entry : kStrings)
    if (entry.id == id) return entry.text;
  return {};
}

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  char bytes[4];
  for (size_t i = 0; i < text.size();) out.append(bytes, encodeUtf8(nextCodePoint(text, i), bytes));
  return out;
}

std::u16string toUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t c = nextUtf8(text, i);
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

size_t copyUtf8(std::u16string_view text, char* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  size_t used = 0;
  char bytes[4];
  for (size_t i = 0; i < text.size();) {
    const size_t length = encodeUtf8(nextCodePoint(text, i), bytes);
    if (used + length >= capacity) break;
    for (size_t k = 0; k < length; ++k) out[used++] = bytes[k];
  }
  out[used] = '\0';
  return used;
}

}  // namespace tz::rewire
