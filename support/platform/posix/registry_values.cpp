// RegistryKey's values and enumeration. Every change reads the key file, edits it and
// replaces it whole under the exclusive lock, so that concurrent writers lose nothing.
#include <cstring>

#include "support/platform/posix/registry_internal.h"

namespace tz::platform {

using namespace registry;

namespace {

PlatformError readLocked(int store, int dir, Values& values) {
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store, false); !succeeded(error)) return error;
  return readValues(dir, values);
}

PlatformError copyOut(const Value& value, RegistryType* type, void* data, uint32_t* size) {
  if (type) *type = static_cast<RegistryType>(value.type);
  if (!size) return PlatformError::Success;
  const auto needed = static_cast<uint32_t>(value.data.size());
  const bool fits = *size >= needed;
  if (data && fits) memcpy(data, value.data.data(), needed);
  *size = needed;
  return !data || fits ? PlatformError::Success : PlatformError::MoreData;
}

bool validValueName(std::string_view name) {
  return isValidName(name, MaxValueNameUnits);
}

}  // namespace

PlatformError RegistryKey::queryValue(std::string_view name, RegistryType* type, void* data,
                                      uint32_t* size) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if ((data && !size) || !validValueName(name)) return PlatformError::InvalidParameter;
  Values values;
  if (const PlatformError error = readLocked(store_, handle_, values); !succeeded(error))
    return error;
  const Value* value = findValue(values, name);
  return value ? copyOut(*value, type, data, size) : PlatformError::FileNotFound;
}

PlatformError RegistryKey::setValue(std::string_view name, RegistryType type, const void* data,
                                    uint32_t size) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if ((!data && size) || !validValueName(name)) return PlatformError::InvalidParameter;
  if (size > MaxValueBytes) return PlatformError::OutOfMemory;
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store_, true); !succeeded(error)) return error;
  Values values;
  if (const PlatformError error = readValues(handle_, values); !succeeded(error)) return error;
  Value* value = findValue(values, name);
  if (!value) value = &values.emplace_back(Value{std::string(name), 0, {}});
  value->type = static_cast<uint32_t>(type);
  value->data.assign(static_cast<const char*>(data), size);
  return writeValues(handle_, values);
}

PlatformError RegistryKey::deleteValue(std::string_view name) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if (!validValueName(name)) return PlatformError::InvalidParameter;
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store_, true); !succeeded(error)) return error;
  Values values;
  if (const PlatformError error = readValues(handle_, values); !succeeded(error)) return error;
  const Value* value = findValue(values, name);
  if (!value) return PlatformError::FileNotFound;
  values.erase(values.begin() + (value - values.data()));
  return writeValues(handle_, values);
}

PlatformError RegistryKey::enumSubKey(uint32_t index, std::string& name) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store_, false); !succeeded(error)) return error;
  // Reading the key file also tells a deleted key from one without sub keys.
  Values values;
  if (const PlatformError error = readValues(handle_, values); error == PlatformError::KeyDeleted)
    return error;
  std::vector<SubKey> subKeys;
  if (const PlatformError error = listSubKeys(handle_, subKeys); !succeeded(error)) return error;
  if (index >= subKeys.size()) return PlatformError::NoMoreItems;
  name = subKeys[index].name;
  return PlatformError::Success;
}

PlatformError RegistryKey::enumValue(uint32_t index, std::string& name, RegistryType* type,
                                     void* data, uint32_t* size) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if (data && !size) return PlatformError::InvalidParameter;
  Values values;
  if (const PlatformError error = readLocked(store_, handle_, values); !succeeded(error))
    return error;
  if (index >= values.size()) return PlatformError::NoMoreItems;
  name = values[index].name;
  return copyOut(values[index], type, data, size);
}

}  // namespace tz::platform
