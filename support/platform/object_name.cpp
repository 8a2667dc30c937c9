#include "support/platform/object_name.h"

#include <cstdlib>

namespace tz::platform {
namespace {

// The longest file name of the systems we run on, which the longest object name must fit.
constexpr size_t kLongestName = 255;

// Keeps [A-Za-z0-9._-]; any other byte, '%' and the separator '~' included, becomes %XX.
void appendEscaped(std::string& out, std::string_view text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += Hex[c >> 4];
      out += Hex[c & 15];
    }
  }
}

}  // namespace

const char* objectKindWord(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Section:
      return "section";
    case ObjectKind::Event:
      return "event";
    case ObjectKind::Mark:
      return "mark";
  }
  return "object";
}

PlatformError objectName(ObjectKind kind, std::string_view name, std::string& out) {
  if (name.empty()) return PlatformError::InvalidName;
  out = objectKindWord(kind);
  out += '~';
  if (const char* space = getenv("TZ_OBJECT_NAMESPACE")) appendEscaped(out, space);
  out += '~';
  appendEscaped(out, name);
  return out.size() <= kLongestName ? PlatformError::Success : PlatformError::InvalidName;
}

}  // namespace tz::platform
