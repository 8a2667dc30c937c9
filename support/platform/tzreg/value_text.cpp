// Conversion between the command line's UTF-8 text and the registry's UTF-16LE strings is
// done here; showing is lenient (a lone surrogate shows as U+FFFD), reading is strict.
#include "support/platform/tzreg/value_text.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "support/platform/text_encoding.h"

namespace tz::tzreg {

using platform::RegistryType;

namespace {

// Appends UTF-8 text as UTF-16LE units; false when the text is not UTF-8 or holds a NUL.
bool appendUtf16(std::string_view text, std::string& out) {
  std::u16string units;
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    if (!platform::decodeUtf8(text, i, c) || c == 0) return false;
    platform::appendUtf16(c, units);
  }
  for (const char16_t unit : units) out += {static_cast<char>(unit), static_cast<char>(unit >> 8)};
  return true;
}

// UTF-16LE units up to a NUL unit or the end, as UTF-8.
std::string textUpToNul(std::string_view data) {
  std::u16string units;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                            static_cast<unsigned char>(data[i + 1]) << 8);
    if (unit == 0) break;
    units += unit;
  }
  return platform::utf8FromUtf16(units);
}

// Characters that act on a terminal instead of showing (C0 and C1 controls, DEL), or that
// break or reorder the line around them (line and paragraph separators, bidirectional marks,
// embeddings, overrides and isolates).
bool isHidden(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string hexDigits(std::string_view data) {
  std::string text;
  for (const char byte : data) {
    char digits[3];
    snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(byte));
    text += digits;
  }
  return text;
}

bool parseNumber(std::string_view text, uint32_t& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) text.remove_prefix(2);
  if (text.empty()) return false;
  uint64_t n = 0;
  for (const char c : text) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : hex && std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return false;
    n = n * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (n > UINT32_MAX) return false;
  }
  value = static_cast<uint32_t>(n);
  return true;
}

}  // namespace

std::string parseType(std::string_view name, RegistryType& type) {
  std::string upper;
  for (const char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "REG_SZ")
    type = RegistryType::String;
  else if (upper == "REG_DWORD")
    type = RegistryType::Dword;
  else if (upper == "REG_BINARY")
    type = RegistryType::Binary;
  else if (upper == "REG_MULTI_SZ")
    type = RegistryType::MultiString;
  else
    return "ERROR: Invalid type \"" + shownText(name) +
           "\": use REG_SZ, REG_DWORD, REG_BINARY or REG_MULTI_SZ.";
  return "";
}

std::string parseData(RegistryType type, std::string_view text, std::string& data) {
  data.clear();
  const std::string error =
      "ERROR: Invalid data \"" + shownText(text) + "\" for " + typeName(type) + ".";
  uint32_t number = 0;
  switch (type) {
    case RegistryType::Dword:
      if (!text.empty() && !parseNumber(text, number)) return error;
      for (int i = 0; i < 4; ++i) data += static_cast<char>(number >> (8 * i));
      return "";
    case RegistryType::Binary:
      if (text.size() % 2 != 0) return error;
      for (size_t i = 0; i < text.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
          return error;
        data += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
      }
      return "";
    case RegistryType::MultiString:
      // Items are separated by the two characters \0; no items is the empty list.
      for (size_t start = 0; !text.empty() && start <= text.size();) {
        const size_t end = std::min(text.find("\\0", start), text.size());
        if (!appendUtf16(text.substr(start, end - start), data)) return error;
        data.append(2, '\0');
        start = end + 2;
      }
      data.append(2, '\0');
      return "";
    default:
      if (!appendUtf16(text, data)) return error;
      data.append(2, '\0');
      return "";
  }
}

std::string shownText(std::string_view text) {
  std::string shown;
  for (size_t i = 0; i < text.size();) {
    const size_t start = i;
    char32_t c = 0;
    char escaped[8];
    if (!platform::decodeUtf8(text, i, c)) {
      snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(text[i++]));
      shown += escaped;
    } else if (isHidden(c)) {
      snprintf(escaped, sizeof escaped, c < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
      shown += escaped;
    } else {
      shown.append(text, start, i - start);
    }
  }
  return shown;
}

std::string typeName(RegistryType type) {
  switch (type) {
    case RegistryType::String:
      return "REG_SZ";
    case RegistryType::Dword:
      return "REG_DWORD";
    case RegistryType::Binary:
      return "REG_BINARY";
    case RegistryType::MultiString:
      return "REG_MULTI_SZ";
  }
  return "REG_TYPE_" + std::to_string(static_cast<uint32_t>(type));
}

std::string showData(RegistryType type, std::string_view data) {
  std::string text;
  switch (type) {
    case RegistryType::String:
      return shownText(textUpToNul(data));
    case RegistryType::Dword:
      if (data.size() != 4) break;
      char number[12];
      uint32_t dword;
      memcpy(&dword, data.data(), 4);  // stored little-endian, as this machine reads it
      snprintf(number, sizeof number, "0x%x", static_cast<unsigned>(dword));
      return number;
    case RegistryType::MultiString: {
      // Without the list's terminator and the last item's, the items are between NULs.
      std::string_view list = data.substr(0, data.size() & ~size_t{1});
      for (int i = 0; i < 2 && list.size() >= 2 && !list[list.size() - 1] && !list[list.size() - 2];
           ++i)
        list.remove_suffix(2);
      for (size_t start = 0, i = 0; i <= list.size(); i += 2) {
        if (i < list.size() && (list[i] || list[i + 1])) continue;
        if (start) text += "\\0";
        text += shownText(textUpToNul(list.substr(start, i - start)));
        start = i + 2;
      }
      return text;
    }
    default:
      break;
  }
  return hexDigits(data);
}

}  // namespace tz::tzreg
