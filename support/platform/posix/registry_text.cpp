// Registry names and text: UTF-8 checks, case folding, UTF-16 conversion and the escaping
// that turns a key name into a file name.
#include <cstdio>

#include "support/platform/posix/registry_internal.h"
#include "support/platform/text_case.h"
#include "support/platform/text_encoding.h"

namespace tz::platform::registry {

std::string foldName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    char32_t c = 0;
    if (!decodeUtf8(name, i, c)) return std::string(name);
    appendUtf8(foldCase(c), folded);
  }
  return folded;
}

bool utf16ToUtf8(std::string_view utf16, std::string& utf8) {
  if (utf16.size() % 2 != 0) return false;
  utf8.clear();
  auto unit = [&](size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(utf16[i]) |
                                 static_cast<unsigned char>(utf16[i + 1]) << 8);
  };
  for (size_t i = 0; i < utf16.size(); i += 2) {
    char32_t c = unit(i);
    if (c == 0 || (c >= 0xDC00 && c <= 0xDFFF)) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= utf16.size()) return false;
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    appendUtf8(c, utf8);
  }
  return true;
}

void appendUtf16(std::string_view utf8, std::string& utf16) {
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    if (!decodeUtf8(utf8, i, c)) return;
    char16_t units[2];
    for (size_t k = 0, n = encodeUtf16(c, units); k < n; ++k) {
      utf16 += static_cast<char>(units[k] & 0xFF);
      utf16 += static_cast<char>(units[k] >> 8);
    }
  }
}

std::string encodeFileName(std::string_view name) {
  std::string fileName;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b == '%' || b == '/' || b < 0x20 || b == 0x7F || (i == 0 && b == '.')) {
      char escaped[4];
      snprintf(escaped, sizeof escaped, "%%%02X", b);
      fileName += escaped;
    } else {
      fileName += static_cast<char>(b);
    }
  }
  return fileName;
}

std::string decodeFileName(std::string_view fileName) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string name;
  for (size_t i = 0; i < fileName.size(); ++i) {
    if (fileName[i] == '%' && i + 2 < fileName.size() && hex(fileName[i + 1]) >= 0 &&
        hex(fileName[i + 2]) >= 0) {
      name += static_cast<char>(hex(fileName[i + 1]) * 16 + hex(fileName[i + 2]));
      i += 2;
    } else {
      name += fileName[i];
    }
  }
  return name;
}

PlatformError splitPath(std::string_view path, std::vector<std::string_view>& names) {
  if (const PlatformError error = splitKeyPath(path, names); !succeeded(error)) return error;
  // The file system limits a name to 255 bytes, which an escaped name may exceed.
  for (const std::string_view name : names)
    if (encodeFileName(name).size() > 255) return PlatformError::InvalidParameter;
  return PlatformError::Success;
}

}  // namespace tz::platform::registry
