// Opening, closing and deleting metrics stores.
#include <cstring>
#include <new>

#include "support/core/metrics_internal.h"
#include "tz/number_text.h"

namespace tz::core {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

constexpr std::u16string_view kAppBase = u"Software\\Halvard Zivovude Software\\";
constexpr std::u16string_view kServiceBase = u"SYSTEM\\CurrentControlSet\\Services\\";

std::u16string versionText(DWORD version) {
  std::string digits =
      std::to_string((version >> 24) & 0xFF) + "." + std::to_string((version >> 16) & 0xFF);
  return std::u16string(digits.begin(), digits.end());
}

// "<base><app>\Metrics[\<sub>]"; false when the path does not fit the record.
bool formatPath(std::u16string_view base, std::u16string_view appVersion, const WCHAR* subKey,
                WCHAR (&out)[kMetricPathMax]) {
  std::u16string path(base);
  path += appVersion;
  path += u"\\Metrics";
  if (subKey) {
    path += u'\\';
    path += metricText(subKey);
  }
  if (path.size() >= kMetricPathMax) return false;
  std::memcpy(out, path.data(), path.size() * sizeof(WCHAR));
  out[path.size()] = 0;
  return true;
}

RegistryKey* createKey(RegistryRoot root, const WCHAR* path) {
  auto* key = new (std::nothrow) RegistryKey();
  if (key && !platform::succeeded(RegistryKey::create(root, metricUtf8(metricText(path)), *key))) {
    delete key;
    key = nullptr;
  }
  return key;
}

HRESULT openStore(HTZMETRICS* handle, std::u16string_view base, std::u16string_view appVersion,
                  const WCHAR* subKey, bool service) {
  if (!handle) return E_POINTER;
  *handle = nullptr;
  auto* store = new (std::nothrow) MetricStore{};
  if (!store) return E_OUTOFMEMORY;
  // An over-long name would overrun the record's paths: refused rather than cut.
  if (!formatPath(base, appVersion, subKey, store->userPath)) {
    delete store;
    return E_INVALIDARG;
  }
  if (service) {
    std::memcpy(store->machinePath, store->userPath, sizeof store->userPath);
    store->machineKey = createKey(RegistryRoot::LocalMachine, store->machinePath);
  }
  // A key that cannot be created leaves a store without key: reads default, writes fail.
  store->userKey = createKey(RegistryRoot::CurrentUser, store->userPath);
  *handle = reinterpret_cast<HTZMETRICS>(store);
  return S_OK;
}

std::u16string joinAppVersion(const WCHAR* app, DWORD version) {
  std::u16string text(metricText(app));
  text += u'\\';
  text += versionText(version);
  return text;
}

void deletePath(RegistryRoot root, std::u16string_view base, const WCHAR* app, DWORD version,
                const WCHAR* subKey) {
  WCHAR path[kMetricPathMax];
  if (app && formatPath(base, joinAppVersion(app, version), subKey, path))
    RegistryKey::deleteKey(root, metricUtf8(path));
}

void closeStore(MetricStore* store) {
  delete store->machineKey;
  delete store->userKey;
  delete store;
}

}  // namespace

MetricStore* metricStore(HTZMETRICS handle) {
  if (!handle || handle == TZMETRICS_DEFAULT) return nullptr;
  return reinterpret_cast<MetricStore*>(handle);
}

}  // namespace tz::core

using namespace tz::core;

HRESULT TZ_STDCALL TzMetric_Open(HTZMETRICS* handle, const WCHAR* app, DWORD version,
                                 const WCHAR* subKey) {
  if (handle) *handle = nullptr;
  if (!app) return handle ? E_INVALIDARG : E_POINTER;
  return TzMetric_OpenAppVersion(handle, joinAppVersion(app, version).c_str(), subKey);
}

HRESULT TZ_STDCALL TzMetric_OpenAppVersion(HTZMETRICS* handle, const WCHAR* appVersion,
                                           const WCHAR* subKey) {
  if (handle && !appVersion) {
    *handle = nullptr;
    return E_INVALIDARG;
  }
  return openStore(handle, kAppBase, metricText(appVersion), subKey, false);
}

HRESULT TZ_STDCALL TzMetric_OpenService(HTZMETRICS* handle, const WCHAR* service, DWORD version,
                                        const WCHAR* subKey) {
  if (handle && !service) {
    *handle = nullptr;
    return E_INVALIDARG;
  }
  return openStore(handle, kServiceBase, joinAppVersion(service, version), subKey, true);
}

HRESULT TZ_STDCALL TzMetric_OpenSubKey(HTZMETRICS* handle, HTZMETRICS parent, const WCHAR* subKey) {
  if (!handle) return E_POINTER;
  *handle = nullptr;
  const MetricStore* store = metricStore(parent);
  if (!store) return E_FAIL;
  // Name and version are read back from the parent's path; a service store's path has
  // neither, so it is refused instead of being misread.
  std::u16string_view path = metricText(store->userPath);
  if (path.substr(0, kAppBase.size()) != kAppBase) return E_FAIL;
  path.remove_prefix(kAppBase.size());
  size_t slash = path.find(u'\\');
  if (slash == std::u16string_view::npos || slash == 0) return E_FAIL;
  std::u16string app(path.substr(0, slash));
  path.remove_prefix(slash + 1);
  // Each number is cut out first: the token reader would take "7.0" as one decimal number.
  size_t dot = path.find(u'.');
  size_t end = path.find(u'\\');
  if (dot == std::u16string_view::npos || end == std::u16string_view::npos || dot > end)
    return E_FAIL;
  DWORD major = TzTextToDWordToken(std::u16string(path.substr(0, dot)).c_str(), nullptr);
  DWORD minor =
      TzTextToDWordToken(std::u16string(path.substr(dot + 1, end - dot - 1)).c_str(), nullptr);
  return TzMetric_Open(handle, app.c_str(), (major & 0xFF) << 24 | (minor & 0xFF) << 16, subKey);
}

HRESULT TZ_STDCALL TzMetric_Close(HTZMETRICS handle) {
  // The default store was never allocated: freeing it would corrupt the heap.
  if (MetricStore* store = metricStore(handle)) closeStore(store);
  return S_OK;
}

HRESULT TZ_STDCALL TzMetric_CloseAndDeleteKey(HTZMETRICS handle) {
  MetricStore* store = metricStore(handle);
  if (!store) return E_FAIL;
  std::string path = metricUtf8(store->userPath);
  closeStore(store);
  tz::platform::RegistryKey::deleteKey(tz::platform::RegistryRoot::CurrentUser, path);
  return S_OK;
}

HRESULT TZ_STDCALL TzMetric_DeleteAll(const WCHAR* app, DWORD version) {
  return TzMetric_DeleteKey(app, version, nullptr);
}

HRESULT TZ_STDCALL TzMetric_DeleteKey(const WCHAR* app, DWORD version, const WCHAR* subKey) {
  deletePath(RegistryRoot::LocalMachine, kAppBase, app, version, subKey);
  deletePath(RegistryRoot::CurrentUser, kAppBase, app, version, subKey);
  return S_OK;
}

HRESULT TZ_STDCALL TzMetric_DeleteAllService(const WCHAR* service, DWORD version) {
  return TzMetric_DeleteKeyService(service, version, nullptr);
}

HRESULT TZ_STDCALL TzMetric_DeleteKeyService(const WCHAR* service, DWORD version,
                                             const WCHAR* subKey) {
  deletePath(RegistryRoot::LocalMachine, kServiceBase, service, version, subKey);
  return S_OK;
}
