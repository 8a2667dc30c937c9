// 32-bit number and string metrics.
#include <algorithm>
#include <cstring>

#include "support/core/metrics_internal.h"

namespace tz::core {
namespace {

using platform::PlatformError;
using platform::RegistryKey;
using platform::RegistryType;

bool readDword(HTZMETRICS handle, const std::string& name, DWORD& value) {
  const RegistryKey* key = metricUserKey(handle);
  if (!key) return false;
  RegistryType type{};
  uint32_t data = 0;
  uint32_t size = sizeof data;
  if (key->queryValue(name, &type, &data, &size) != PlatformError::Success) return false;
  if (type != RegistryType::Dword || size != sizeof data) return false;
  value = data;
  return true;
}

HRESULT writeValue(HTZMETRICS handle, const std::string& name, RegistryType type, const void* data,
                   uint32_t size) {
  RegistryKey* key = metricUserKey(handle);
  if (!key) return E_FAIL;
  return platform::succeeded(key->setValue(name, type, data, size)) ? S_OK : E_FAIL;
}

int readText(HTZMETRICS handle, const std::string& name, RegistryType wanted, WCHAR* buffer,
             int length, const WCHAR* def, BOOL emptyIsValue) {
  // No room for even a terminator: nothing can be written safely.
  if (!buffer || length < 1) return 0;
  uint32_t capacity = static_cast<uint32_t>(length) * sizeof(WCHAR);
  uint32_t bytes = 0;
  if (const RegistryKey* key = metricUserKey(handle)) {
    RegistryType type{};
    uint32_t size = capacity;
    if (key->queryValue(name, &type, buffer, &size) == PlatformError::Success && type == wanted)
      bytes = size;
  }
  std::memset(reinterpret_cast<BYTE*>(buffer) + bytes, 0, capacity - bytes);
  // Stored data need not end in a terminator; the buffer always does.
  buffer[length - 1] = 0;
  if (bytes > 2) return static_cast<int>(bytes / 2 - 1);
  if ((bytes == 2 && buffer[0] == 0 && emptyIsValue) || !def) return 0;
  std::u16string_view text = metricText(def);
  size_t count = std::min(text.size(), static_cast<size_t>(length - 1));
  std::memcpy(buffer, text.data(), count * sizeof(WCHAR));
  buffer[count] = 0;
  return static_cast<int>(count);
}

}  // namespace
}  // namespace tz::core

using namespace tz::core;
using tz::platform::RegistryType;

DWORD TZ_STDCALL TzGetMetric(HTZMETRICS handle, LONG id) {
  DWORD value = 0;
  return readDword(handle, metricValueName(0, id), value) ? value : 0;
}

LONG TZ_STDCALL TzGetMetricEx(HTZMETRICS handle, LONG id, LONG min, LONG max, LONG def) {
  DWORD stored = 0;
  LONG value = readDword(handle, metricValueName(0, id), stored) ? static_cast<LONG>(stored) : def;
  if (min == max) return value;
  return std::min(std::max(value, min), max);
}

BOOL TZ_STDCALL TzGetMetricBool(HTZMETRICS handle, LONG id, BOOL def) {
  DWORD value = 0;
  return readDword(handle, metricValueName(0, id), value) ? value != 0 : def != 0;
}

HRESULT TZ_STDCALL TzSetMetric(HTZMETRICS handle, LONG id, DWORD value) {
  uint32_t data = value;
  return writeValue(handle, metricValueName(0, id), RegistryType::Dword, &data, sizeof data);
}

DWORD TZ_STDCALL TzGetMetricUsingName(HTZMETRICS handle, const WCHAR* name, DWORD def) {
  DWORD value = 0;
  return name && readDword(handle, metricUtf8(name), value) ? value : def;
}

HRESULT TZ_STDCALL TzSetMetricUsingName(HTZMETRICS handle, const WCHAR* name, DWORD value) {
  if (!name) return E_INVALIDARG;
  uint32_t data = value;
  return writeValue(handle, metricUtf8(name), RegistryType::Dword, &data, sizeof data);
}

int TZ_STDCALL TzGetMetricStringEx(HTZMETRICS handle, LONG id, WCHAR* buffer, int length,
                                   const WCHAR* def, BOOL emptyIsValue) {
  return readText(handle, metricValueName('S', id), RegistryType::String, buffer, length, def,
                  emptyIsValue);
}

int TZ_STDCALL TzGetMetricMultiStringEx(HTZMETRICS handle, LONG id, WCHAR* buffer, int length,
                                        const WCHAR* def, BOOL emptyIsValue) {
  return readText(handle, metricValueName('Z', id), RegistryType::MultiString, buffer, length, def,
                  emptyIsValue);
}

HRESULT TZ_STDCALL TzSetMetricString(HTZMETRICS handle, LONG id, const WCHAR* text) {
  if (!text) return metricUserKey(handle) ? E_INVALIDARG : E_FAIL;
  std::u16string_view view(text);
  if (view.size() >= 0x7FFFFFFF / sizeof(WCHAR)) return E_INVALIDARG;
  return writeValue(handle, metricValueName('S', id), RegistryType::String, text,
                    static_cast<uint32_t>((view.size() + 1) * sizeof(WCHAR)));
}

HRESULT TZ_STDCALL TzSetMetricMultiString(HTZMETRICS handle, LONG id, const WCHAR* data,
                                          int length) {
  if (!metricUserKey(handle)) return E_FAIL;
  // A negative length would wrap to a huge size and read far past the caller's data.
  if (length < 0 || (length > 0 && !data) || length > 0x3FFFFFFF) return E_INVALIDARG;
  return writeValue(handle, metricValueName('Z', id), RegistryType::MultiString, data,
                    static_cast<uint32_t>(length) * sizeof(WCHAR));
}
