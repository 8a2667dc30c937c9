// Binary, any-type, existence and deletion of metrics.
#include <cstring>

#include "support/core/metrics_internal.h"

namespace tz::core {
namespace {

using platform::PlatformError;
using platform::RegistryKey;
using platform::RegistryType;

HRESULT deleteNamed(HTZMETRICS handle, const std::string& name) {
  RegistryKey* key = metricUserKey(handle);
  if (!key) return S_FALSE;
  return platform::succeeded(key->deleteValue(name)) ? S_OK : E_FAIL;
}

}  // namespace
}  // namespace tz::core

using namespace tz::core;
using tz::platform::PlatformError;
using tz::platform::RegistryType;

DWORD TZ_STDCALL TzGetMetricBinary(HTZMETRICS handle, LONG id, void* buffer, DWORD size) {
  if (!buffer) return 0;
  DWORD count = 0;
  if (TzGetMetricBinaryEx(handle, id, buffer, size, &count) != S_OK) count = 0;
  std::memset(static_cast<BYTE*>(buffer) + count, 0, size - count);
  return count;
}

HRESULT TZ_STDCALL TzGetMetricBinaryEx(HTZMETRICS handle, LONG id, void* buffer, DWORD size,
                                       DWORD* count) {
  if (!count || (!buffer && size > 0)) return E_INVALIDARG;
  *count = 0;
  const tz::platform::RegistryKey* key = metricUserKey(handle);
  if (!key) return TZ_E_NOTFOUND;
  RegistryType type{};
  uint32_t bytes = size;
  // A null buffer of size 0 is a size query and must not return Success with no data copied.
  PlatformError error =
      key->queryValue(metricValueName('B', id), &type, buffer ? buffer : count, &bytes);
  if (error == PlatformError::MoreData && type == RegistryType::Binary) {
    *count = bytes;
    return TZ_E_BUFFERTOOSMALL;
  }
  if (error != PlatformError::Success || type != RegistryType::Binary) {
    if (buffer) std::memset(buffer, 0, size);
    *count = 0;
    return S_FALSE;
  }
  if (buffer) std::memset(static_cast<BYTE*>(buffer) + bytes, 0, size - bytes);
  *count = bytes;
  return S_OK;
}

HRESULT TZ_STDCALL TzSetMetricBinary(HTZMETRICS handle, LONG id, const void* data, DWORD size) {
  tz::platform::RegistryKey* key = metricUserKey(handle);
  if (!key) return E_FAIL;
  if (!data && size > 0) return E_INVALIDARG;
  return tz::platform::succeeded(
             key->setValue(metricValueName('B', id), RegistryType::Binary, data, size))
             ? S_OK
             : E_FAIL;
}

HRESULT TZ_STDCALL TzGetMetricAny(HTZMETRICS handle, LONG id, DWORD type, void* buffer, DWORD size,
                                  DWORD* count) {
  const tz::platform::RegistryKey* key = metricUserKey(handle);
  if (!key) return E_UNEXPECTED;
  if (!buffer && size > 0) return E_INVALIDARG;
  RegistryType stored{};
  uint32_t bytes = size;
  BYTE probe = 0;  // a null buffer of size 0 still asks the registry for a real read
  PlatformError error =
      key->queryValue(metricValueName(0, id), &stored, buffer ? buffer : &probe, &bytes);
  if (error == PlatformError::MoreData) {
    if (count) *count = bytes;
    return TZ_E_BUFFERTOOSMALL;
  }
  if (error != PlatformError::Success || static_cast<DWORD>(stored) != type) return TZ_E_NOTFOUND;
  if (count) *count = bytes;
  if (type != REG_SZ) return S_OK;
  auto* data = static_cast<BYTE*>(buffer);
  if (bytes + 2 <= size) {
    data[bytes] = data[bytes + 1] = 0;
    return S_OK;
  }
  if (bytes <= 2) return S_OK;
  size_t last = (bytes / 2 - 1) * 2;
  if (data[last] != 0 || data[last + 1] != 0) {
    data[last] = data[last + 1] = 0;
    if (count) *count += 2;
    return TZ_E_BUFFERTOOSMALL;
  }
  return S_OK;
}

HRESULT TZ_STDCALL TzDoesMetricExist(HTZMETRICS handle, LONG id, DWORD type) {
  const tz::platform::RegistryKey* key = metricUserKey(handle);
  if (!key) return S_FALSE;
  RegistryType stored{};
  uint32_t bytes = 0;
  if (!tz::platform::succeeded(
          key->queryValue(metricNameForType(id, type), &stored, nullptr, &bytes)))
    return S_FALSE;
  return static_cast<DWORD>(stored) == type ? S_OK : S_FALSE;
}

HRESULT TZ_STDCALL TzDeleteMetric(HTZMETRICS handle, LONG id, DWORD type) {
  return deleteNamed(handle, metricNameForType(id, type));
}

HRESULT TZ_STDCALL TzDeleteMetricUsingName(HTZMETRICS handle, const WCHAR* name, DWORD type) {
  (void)type;  // the caller's name is used as given, whatever the type
  if (!name) return metricUserKey(handle) ? E_INVALIDARG : S_FALSE;
  return deleteNamed(handle, metricUtf8(name));
}
