// Conversion between the command line's UTF-8 text and the registry's UTF-16LE strings is
// done here; showing is lenient (a lone surrogate shows as U+FFFD), reading is strict.
#include "support/platform/tzreg/value_text.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tz::tzreg {

using platform::RegistryType;

namespace {

// Appends UTF-8 text as UTF-16LE units; false when the text is not UTF-8.
bool appendUtf16(std::string_view text, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + extra >= text.size()) return false;
    uint32_t c = extra ? lead & (0x3F >> extra) : lead;
    for (size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      c = c << 6 | (b & 0x3F);
    }
    const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0) return false;
    i += extra + 1;
    auto put = [&](uint32_t unit) {
      out += {static_cast<char>(unit), static_cast<char>(unit >> 8)};
    };
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return true;
}

// UTF-16LE units up to a NUL unit or the end, as UTF-8.
std::string textUpToNul(std::string_view data) {
  std::string text;
  size_t pos = 0;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(data[i]) |
                                 static_cast<unsigned char>(data[i + 1]) << 8);
  };
  while (pos + 1 < data.size()) {
    uint32_t c = unit(pos);
    pos += 2;
    if (c == 0) break;
    if (c >= 0xD800 && c <= 0xDBFF && pos + 1 < data.size() && unit(pos) >= 0xDC00 &&
        unit(pos) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(pos) - 0xDC00);
      pos += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      text += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
               static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      text += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
               static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return text;
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
    return "ERROR: Invalid type \"" + std::string(name) +
           "\": use REG_SZ, REG_DWORD, REG_BINARY or REG_MULTI_SZ.";
  return "";
}

std::string parseData(RegistryType type, std::string_view text, std::string& data) {
  data.clear();
  const std::string error =
      "ERROR: Invalid data \"" + std::string(text) + "\" for " + typeName(type) + ".";
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
      return textUpToNul(data);
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
        text += textUpToNul(list.substr(start, i - start));
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
