// The system string type's layout: a 32-bit byte length, the characters, a terminator.
#include "support/core/system_string.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tz::core {
namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

uint32_t byteLength(BSTR text) {
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(text) - kPrefix, kPrefix);
  return bytes;
}

}  // namespace

BSTR allocSystemString(size_t length) {
  if (length > (UINT32_MAX - kPrefix - sizeof(WCHAR)) / sizeof(WCHAR)) return nullptr;
  const uint32_t bytes = static_cast<uint32_t>(length * sizeof(WCHAR));
  auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(WCHAR)));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &bytes, kPrefix);
  auto* text = reinterpret_cast<WCHAR*>(block + kPrefix);
  text[length] = u'\0';
  return text;
}

BSTR allocSystemString(std::u16string_view text) {
  BSTR copy = allocSystemString(text.size());
  if (copy != nullptr) std::copy(text.begin(), text.end(), copy);
  return copy;
}

}  // namespace tz::core

TZAPI(void) SysFreeString(BSTR text) {
  if (text != nullptr) std::free(reinterpret_cast<char*>(text) - tz::core::kPrefix);
}

TZAPI(UINT) SysStringLen(BSTR text) {
  return text != nullptr ? tz::core::byteLength(text) / sizeof(WCHAR) : 0;
}
