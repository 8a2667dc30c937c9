// Value names and text conversion of the metrics store.
#include <string>

#include "support/core/metrics_internal.h"

namespace tz::core {

std::u16string_view metricText(const WCHAR* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

std::string metricUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size() && text[i] != 0; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string metricValueName(char prefix, LONG id) {
  // Negated as unsigned: the most negative id would overflow as a signed number.
  uint32_t magnitude = id < 0 ? 0u - static_cast<uint32_t>(id) : static_cast<uint32_t>(id);
  std::string name = std::to_string(magnitude);
  return prefix ? prefix + name : name;
}

std::string metricNameForType(LONG id, DWORD type) {
  switch (type) {
    case REG_SZ:
      return metricValueName('S', id);
    case REG_BINARY:
      return metricValueName('B', id);
    case REG_DWORD:
      return metricValueName(0, id);
    default:
      return metricValueName('Z', id);
  }
}

platform::RegistryKey* metricUserKey(HTZMETRICS handle) {
  MetricStore* store = metricStore(handle);
  return store && store->userKey && store->userKey->isOpen() ? store->userKey : nullptr;
}

}  // namespace tz::core

int TZ_STDCALL TzMetricGetName(LONG id, DWORD type, WCHAR* buffer) {
  if (!buffer) return 0;
  std::string name = tz::core::metricNameForType(id, type);
  if (type == REG_DWORD) name.insert(0, 1, 'D');
  for (size_t i = 0; i < name.size(); ++i) buffer[i] = static_cast<WCHAR>(name[i]);
  buffer[name.size()] = 0;
  return static_cast<int>(name.size());
}
