// RegistryKey on the system's registry. Names are checked here as the other backend checks
// them, so a malformed name gets InvalidParameter before the system sees it; the system's
// codes pass through for the rest (a handle on a deleted key gets KeyDeleted from it).
#include "support/platform/registry.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/platform/registry_names.h"
#include "support/platform/win32/system_error.h"
#include "support/platform/win32/wide_text.h"

namespace tz::platform {

using namespace registry;

namespace {

// A key opened for writing where the user may write, else for reading only, so that keys
// the user may only read (most of HKEY_LOCAL_MACHINE) still open.
constexpr REGSAM ReadWrite = KEY_READ | KEY_WRITE;

HKEY rootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
  }
  return nullptr;
}

// A name that isValidName accepted, as the system's text.
std::wstring wide(std::string_view name) {
  std::wstring text;
  wideFromUtf8(name, text);
  return text;
}

// The names of a checked path joined as the system takes them.
std::wstring widePath(const std::vector<std::string_view>& names) {
  std::wstring path;
  for (const std::string_view name : names) {
    if (!path.empty()) path += L'\\';
    path += wide(name);
  }
  return path;
}

PlatformError openKey(HKEY parent, const std::wstring& path, bool create, HKEY& key,
                      bool* created) {
  for (const REGSAM access : {ReadWrite, REGSAM{KEY_READ}}) {
    DWORD disposition = 0;
    const LSTATUS status =
        create ? RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                 nullptr, &key, &disposition)
               : RegOpenKeyExW(parent, path.c_str(), 0, access, &key);
    if (status == ERROR_ACCESS_DENIED && access == ReadWrite) continue;
    if (status == ERROR_SUCCESS && created) *created = disposition == REG_CREATED_NEW_KEY;
    return errorFromCode(static_cast<DWORD>(status));
  }
  return PlatformError::AccessDenied;
}

PlatformError openFromRoot(RegistryRoot root, std::string_view path, bool create, HKEY& key,
                           bool* created) {
  std::vector<std::string_view> names;
  if (const PlatformError error = splitKeyPath(path, names); !succeeded(error)) return error;
  const HKEY parent = rootHandle(root);
  if (!parent) return PlatformError::InvalidParameter;
  return openKey(parent, widePath(names), create, key, created);
}

// Deletes the key at `path` below `parent` with everything below it, deepest keys first (the
// system deletes only keys without sub keys).
PlatformError deleteTree(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExW(parent, path.c_str(), 0,
                                 KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE, &key);
  if (status != ERROR_SUCCESS) return errorFromCode(static_cast<DWORD>(status));
  std::wstring child(MaxKeyNameUnits + 1, L'\0');
  for (;;) {
    auto length = static_cast<DWORD>(child.size());
    status = RegEnumKeyExW(key, 0, child.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    PlatformError error = errorFromCode(static_cast<DWORD>(status));
    if (succeeded(error)) error = deleteTree(key, child.substr(0, length));
    // A sub key that someone else deleted meanwhile is gone as wanted.
    if (!succeeded(error) && error != PlatformError::FileNotFound) {
      RegCloseKey(key);
      return error;
    }
  }
  RegCloseKey(key);
  return errorFromCode(static_cast<DWORD>(RegDeleteKeyW(parent, path.c_str())));
}

// The value's type and data through `read`, which asks the system as the value query does:
// read(buffer, size, type). The data goes through a buffer of our own, so that the caller's
// stays untouched when the value does not fit: it may have grown since its size was asked.
template <typename Read>
PlatformError fetch(Read read, RegistryType* type, void* data, uint32_t* size) {
  DWORD kind = 0, needed = 0;
  LSTATUS status = read(nullptr, size ? &needed : nullptr, &kind);
  if (status != ERROR_SUCCESS) return errorFromCode(static_cast<DWORD>(status));
  bool copied = false;
  std::string buffer;
  for (int attempt = 0; data && !copied && needed <= *size && attempt < 8; ++attempt) {
    buffer.resize(needed);
    DWORD got = needed;
    status = read(reinterpret_cast<BYTE*>(buffer.data()), &got, &kind);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
      return errorFromCode(static_cast<DWORD>(status));
    copied = status == ERROR_SUCCESS && got <= needed;
    if (copied) memcpy(data, buffer.data(), got);
    needed = got;
  }
  if (type) *type = static_cast<RegistryType>(kind);
  if (!size) return PlatformError::Success;
  *size = needed;
  return !data || copied ? PlatformError::Success : PlatformError::MoreData;
}

bool isStringType(RegistryType type) {
  return type == RegistryType::String || type == RegistryType::MultiString ||
         static_cast<DWORD>(type) == REG_EXPAND_SZ;
}

}  // namespace

void RegistryKey::close() {
  if (handle_ != -1) RegCloseKey(reinterpret_cast<HKEY>(handle_));
  handle_ = -1;
}

PlatformError RegistryKey::open(RegistryRoot root, std::string_view path, RegistryKey& key) {
  key.close();
  HKEY opened = nullptr;
  const PlatformError error = openFromRoot(root, path, false, opened, nullptr);
  if (succeeded(error)) key = RegistryKey(reinterpret_cast<intptr_t>(opened), -1);
  return error;
}

PlatformError RegistryKey::create(RegistryRoot root, std::string_view path, RegistryKey& key,
                                  bool* created) {
  key.close();
  HKEY opened = nullptr;
  const PlatformError error = openFromRoot(root, path, true, opened, created);
  if (succeeded(error)) key = RegistryKey(reinterpret_cast<intptr_t>(opened), -1);
  return error;
}

PlatformError RegistryKey::openOrCreate(std::string_view path, RegistryKey& key, bool* created,
                                        bool create) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  std::vector<std::string_view> names;
  PlatformError error = splitKeyPath(path, names);
  HKEY opened = nullptr;
  if (succeeded(error))
    error = openKey(reinterpret_cast<HKEY>(handle_), widePath(names), create, opened, created);
  // Assigned last: `key` may be this very handle.
  if (succeeded(error))
    key = RegistryKey(reinterpret_cast<intptr_t>(opened), -1);
  else if (&key != this)
    key.close();
  return error;
}

PlatformError RegistryKey::deleteSubKey(std::string_view path) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  std::vector<std::string_view> names;
  if (const PlatformError error = splitKeyPath(path, names); !succeeded(error)) return error;
  if (names.empty()) return PlatformError::InvalidParameter;
  return deleteTree(reinterpret_cast<HKEY>(handle_), widePath(names));
}

PlatformError RegistryKey::queryValue(std::string_view name, RegistryType* type, void* data,
                                      uint32_t* size) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if ((data && !size) || !isValidName(name, MaxValueNameUnits))
    return PlatformError::InvalidParameter;
  const std::wstring wideName = wide(name);
  const auto key = reinterpret_cast<HKEY>(handle_);
  return fetch(
      [&](BYTE* buffer, DWORD* bytes, DWORD* kind) {
        return RegQueryValueExW(key, wideName.c_str(), nullptr, kind, buffer, bytes);
      },
      type, data, size);
}

PlatformError RegistryKey::setValue(std::string_view name, RegistryType type, const void* data,
                                    uint32_t size) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if ((!data && size) || !isValidName(name, MaxValueNameUnits))
    return PlatformError::InvalidParameter;
  if (size > MaxValueBytes) return PlatformError::OutOfMemory;
  // The system counts a string's terminator in when the caller's size left it out and the
  // unit after the data is NUL; the data is stored as given, so that unit is never NUL.
  std::string bytes(static_cast<const char*>(data ? data : ""), size);
  if (isStringType(type)) bytes.append(2, '\xff');
  return errorFromCode(static_cast<DWORD>(
      RegSetValueExW(reinterpret_cast<HKEY>(handle_), wide(name).c_str(), 0,
                     static_cast<DWORD>(type), reinterpret_cast<const BYTE*>(bytes.data()), size)));
}

PlatformError RegistryKey::deleteValue(std::string_view name) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if (!isValidName(name, MaxValueNameUnits)) return PlatformError::InvalidParameter;
  return errorFromCode(
      static_cast<DWORD>(RegDeleteValueW(reinterpret_cast<HKEY>(handle_), wide(name).c_str())));
}

PlatformError RegistryKey::enumSubKey(uint32_t index, std::string& name) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  wchar_t buffer[MaxKeyNameUnits + 1];
  DWORD length = MaxKeyNameUnits + 1;
  const LSTATUS status = RegEnumKeyExW(reinterpret_cast<HKEY>(handle_), index, buffer, &length,
                                       nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return errorFromCode(static_cast<DWORD>(status));
  name = utf8FromWide(std::wstring_view(buffer, length));
  return PlatformError::Success;
}

PlatformError RegistryKey::enumValue(uint32_t index, std::string& name, RegistryType* type,
                                     void* data, uint32_t* size) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if (data && !size) return PlatformError::InvalidParameter;
  const auto key = reinterpret_cast<HKEY>(handle_);
  std::wstring buffer(MaxValueNameUnits + 1, L'\0');
  DWORD length = 0;
  const PlatformError error = fetch(
      [&](BYTE* bytes, DWORD* count, DWORD* kind) {
        length = static_cast<DWORD>(buffer.size());
        return RegEnumValueW(key, index, buffer.data(), &length, nullptr, kind, bytes, count);
      },
      type, data, size);
  if (succeeded(error) || error == PlatformError::MoreData)
    name = utf8FromWide(std::wstring_view(buffer.data(), length));
  return error;
}

}  // namespace tz::platform
