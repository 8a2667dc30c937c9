// The metrics store's handle record and the helpers its files share.
#pragma once

#include <string>
#include <string_view>

#include "support/platform/registry.h"
#include "tz/metrics.h"

namespace tz::core {

constexpr int kMetricPathMax = 260;  // characters, terminator included

// The handle record, four fields in order. Keys are heap-allocated RegistryKey objects, null
// when not open.
struct MetricStore {
  WCHAR machinePath[kMetricPathMax];
  platform::RegistryKey* machineKey;
  WCHAR userPath[kMetricPathMax];
  platform::RegistryKey* userKey;
};
static_assert(sizeof(MetricStore) == 1048);

// The record behind a handle; null for null and the default store.
MetricStore* metricStore(HTZMETRICS handle);
// The open current-user key of a handle, or null.
platform::RegistryKey* metricUserKey(HTZMETRICS handle);

// UTF-16 (stopping at a terminator) to UTF-8; unpaired surrogates become U+FFFD.
std::string metricUtf8(std::u16string_view text);
std::u16string_view metricText(const WCHAR* text);  // "" for null

// "<prefix><|id|>", the absolute value taken without overflow.
std::string metricValueName(char prefix, LONG id);
// The value name a type uses in the exist and delete functions.
std::string metricNameForType(LONG id, DWORD type);

}  // namespace tz::core
