// Value names and text conversion of the metrics store.
#include <string>

#include "support/core/metrics_internal.h"
#include "support/platform/text_encoding.h"

namespace tz::core {

std::u16string_view metricText(const WCHAR* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

std::string metricUtf8(std::u16string_view text) {
  return platform::utf8FromUtf16(text.substr(0, text.find(u'\0')));
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
