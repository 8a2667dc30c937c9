// The metrics store: an application's settings kept as registry values under the current
// user, addressed by number (the metric id; ids n and -n name the same value). Reads take a
// default and never fail loudly; writes report E_FAIL for a missing store or key. A handle
// may be used by one thread at a time. Not for the audio path: every call does registry I/O.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

// The opaque store handle. TZMETRICS_DEFAULT (-1) names the default store, which this
// library never opens: every operation treats it, like a null handle, as a store without key.
struct tTZMETRICS;
typedef tTZMETRICS* HTZMETRICS;
#define TZMETRICS_DEFAULT (reinterpret_cast<HTZMETRICS>(static_cast<LONG_PTR>(-1)))

// Registry value types, with the original platform's numbers.
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Seek origins of TzStream.
constexpr DWORD TZ_STREAM_SEEK_SET = 0;
constexpr DWORD TZ_STREAM_SEEK_CUR = 1;
constexpr DWORD TZ_STREAM_SEEK_END = 2;

// A caller's byte stream, as far as the metrics store uses one: a seek, a write and, for a
// memory stream, the memory block behind it (from the start of the stream).
class TzStream {
 public:
  virtual HRESULT TZ_CALLBACK Seek(LONGLONG move, DWORD origin, ULONGLONG* position) = 0;
  virtual HRESULT TZ_CALLBACK Write(const void* data, ULONG size, ULONG* written) = 0;
  // E_INVALIDARG for a stream without a memory block; *block may be null when it is empty.
  virtual HRESULT TZ_CALLBACK GetMemory(void** block, ULONG* size) = 0;

 protected:
  ~TzStream() = default;
};

// Opening: the version holds the major number in bits 24..31 and the minor in 16..23. The
// store is current user "Software\Halvard Zivovude Software\<app>\<major>.<minor>\Metrics"
// [\<subKey>] (service stores: "SYSTEM\CurrentControlSet\Services\..." under both roots).
// Opening succeeds even when the key cannot be created (reads then give defaults, writes
// E_FAIL). E_POINTER for a null handle address, E_INVALIDARG for a null name or a path longer
// than 259 characters, E_OUTOFMEMORY.
TZAPI(HRESULT)
TzMetric_Open(HTZMETRICS* handle, const WCHAR* app, DWORD version, const WCHAR* subKey);
TZAPI(HRESULT)
TzMetric_OpenAppVersion(HTZMETRICS* handle, const WCHAR* appVersion, const WCHAR* subKey);
TZAPI(HRESULT)
TzMetric_OpenService(HTZMETRICS* handle, const WCHAR* service, DWORD version, const WCHAR* subKey);
// Opens the parent application store's Metrics key plus `subKey`, whatever sub key the parent
// had. E_FAIL for a null, default or service parent.
TZAPI(HRESULT) TzMetric_OpenSubKey(HTZMETRICS* handle, HTZMETRICS parent, const WCHAR* subKey);
// S_OK for null and the default store too (neither is freed).
TZAPI(HRESULT) TzMetric_Close(HTZMETRICS handle);
// Closes and deletes the store's current-user key with its sub keys. E_FAIL for null/default.
TZAPI(HRESULT) TzMetric_CloseAndDeleteKey(HTZMETRICS handle);

// Deleting stores with their sub keys, under the local machine then the current user (the
// service forms: local machine only). Always S_OK.
TZAPI(HRESULT) TzMetric_DeleteAll(const WCHAR* app, DWORD version);
TZAPI(HRESULT) TzMetric_DeleteKey(const WCHAR* app, DWORD version, const WCHAR* subKey);
TZAPI(HRESULT) TzMetric_DeleteAllService(const WCHAR* service, DWORD version);
TZAPI(HRESULT) TzMetric_DeleteKeyService(const WCHAR* service, DWORD version, const WCHAR* subKey);

// 32-bit numbers, value "<id>" of type REG_DWORD. TzGetMetric gives 0 when missing.
// TzGetMetricEx clamps (signed; raised to min, then lowered to max) unless min == max.
TZAPI(DWORD) TzGetMetric(HTZMETRICS handle, LONG id);
TZAPI(LONG) TzGetMetricEx(HTZMETRICS handle, LONG id, LONG min, LONG max, LONG def);
TZAPI(BOOL) TzGetMetricBool(HTZMETRICS handle, LONG id, BOOL def);
TZAPI(HRESULT) TzSetMetric(HTZMETRICS handle, LONG id, DWORD value);
TZAPI(DWORD) TzGetMetricUsingName(HTZMETRICS handle, const WCHAR* name, DWORD def);
TZAPI(HRESULT) TzSetMetricUsingName(HTZMETRICS handle, const WCHAR* name, DWORD value);

// Strings "S<id>" (REG_SZ) and multi-strings "Z<id>" (REG_MULTI_SZ). The getters fill the
// whole buffer (`length` characters; the last is always a terminator) and return the
// characters of the value without its final terminator; an empty or missing value gives the
// default (cut to length - 1), unless the value is empty and `emptyIsValue` is set. A null
// buffer or a length below 1 gives 0 and writes nothing.
TZAPI(int)
TzGetMetricStringEx(HTZMETRICS handle, LONG id, WCHAR* buffer, int length, const WCHAR* def,
                    BOOL emptyIsValue);
TZAPI(int)
TzGetMetricMultiStringEx(HTZMETRICS handle, LONG id, WCHAR* buffer, int length, const WCHAR* def,
                         BOOL emptyIsValue);
TZAPI(HRESULT) TzSetMetricString(HTZMETRICS handle, LONG id, const WCHAR* text);
// `length` counts every character of the list, all terminators included.
TZAPI(HRESULT) TzSetMetricMultiString(HTZMETRICS handle, LONG id, const WCHAR* data, int length);

// Binary blocks "B<id>" (REG_BINARY). The getters zero-fill what they do not read.
// TzGetMetricBinaryEx: S_OK with the count; S_FALSE and 0 for a missing value;
// TZ_E_BUFFERTOOSMALL with the size needed (a null buffer of size 0 asks the size);
// TZ_E_NOTFOUND without store or key; E_INVALIDARG for a null count or null buffer of size > 0.
TZAPI(DWORD) TzGetMetricBinary(HTZMETRICS handle, LONG id, void* buffer, DWORD size);
TZAPI(HRESULT)
TzGetMetricBinaryEx(HTZMETRICS handle, LONG id, void* buffer, DWORD size, DWORD* count);
TZAPI(HRESULT) TzSetMetricBinary(HTZMETRICS handle, LONG id, const void* data, DWORD size);
// Stores the memory stream's bytes up to its current position (1..2048 bytes).
TZAPI(HRESULT) TzSetMetricStream(HTZMETRICS handle, LONG id, TzStream* stream);
// Writes the stored block at the start of the stream.
TZAPI(HRESULT) TzGetMetricStream(HTZMETRICS handle, LONG id, TzStream* stream);

// Any type, value "<id>": E_UNEXPECTED without store or key, TZ_E_NOTFOUND when missing or of
// another type, TZ_E_BUFFERTOOSMALL (count = size needed) when larger than the buffer. REG_SZ
// data is terminated in the buffer; when the terminator does not fit, the last character is
// overwritten and TZ_E_BUFFERTOOSMALL returned.
TZAPI(HRESULT)
TzGetMetricAny(HTZMETRICS handle, LONG id, DWORD type, void* buffer, DWORD size, DWORD* count);

// Value names by type: REG_SZ "S<id>", REG_BINARY "B<id>", REG_DWORD "<id>", others "Z<id>".
// S_OK when present with that type, else S_FALSE.
TZAPI(HRESULT) TzDoesMetricExist(HTZMETRICS handle, LONG id, DWORD type);
// S_FALSE without store or key, E_FAIL when the registry refuses (a missing value too).
TZAPI(HRESULT) TzDeleteMetric(HTZMETRICS handle, LONG id, DWORD type);
TZAPI(HRESULT) TzDeleteMetricUsingName(HTZMETRICS handle, const WCHAR* name, DWORD type);
// Display name: as above but "D<id>" for REG_DWORD. `buffer` holds TZ_METRIC_NAME_MAX
// characters; returns the characters written (0 for a null buffer).
constexpr int TZ_METRIC_NAME_MAX = 12;
TZAPI(int) TzMetricGetName(LONG id, DWORD type, WCHAR* buffer);
