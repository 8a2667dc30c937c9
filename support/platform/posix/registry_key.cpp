// RegistryKey's life: opening, creating and deleting keys. A handle holds its key's folder,
// so that it keeps naming that very key: once the key is deleted, a new key of the same name
// is another folder, and the handle reports KeyDeleted instead of reaching the newcomer.
#include <fcntl.h>

#include "support/platform/posix/registry_internal.h"

namespace tz::platform {

using namespace registry;

namespace {

// Opens (or creates) the key at `path` below a root; the root itself always exists, so
// opening it makes the store when there is none yet.
PlatformError openFromRoot(RegistryRoot root, std::string_view path, bool create, Fd& store,
                           Fd& dir, bool* created) {
  std::vector<std::string_view> names;
  if (const PlatformError error = splitPath(path, names); !succeeded(error)) return error;
  if (static_cast<uint32_t>(root) > 1) return PlatformError::InvalidParameter;
  const bool change = create || names.empty();
  if (const PlatformError error = openStore(change, store); !succeeded(error)) return error;
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store.get(), change); !succeeded(error))
    return error;
  Fd hive;
  if (const PlatformError error = openHive(store.get(), root, change, hive); !succeeded(error))
    return error;
  return walk(hive.get(), names, create, dir, created);
}

}  // namespace

void RegistryKey::close() {
  if (handle_ >= 0) ::close(handle_);
  if (store_ >= 0) ::close(store_);
  handle_ = store_ = -1;
}

PlatformError RegistryKey::open(RegistryRoot root, std::string_view path, RegistryKey& key) {
  Fd store, dir;
  key.close();
  const PlatformError error = openFromRoot(root, path, false, store, dir, nullptr);
  if (succeeded(error)) key = RegistryKey(dir.release(), store.release());
  return error;
}

PlatformError RegistryKey::create(RegistryRoot root, std::string_view path, RegistryKey& key,
                                  bool* created) {
  Fd store, dir;
  key.close();
  const PlatformError error = openFromRoot(root, path, true, store, dir, created);
  if (succeeded(error)) key = RegistryKey(dir.release(), store.release());
  return error;
}

PlatformError RegistryKey::openOrCreate(std::string_view path, RegistryKey& key, bool* created,
                                        bool create) const {
  if (!isOpen()) return PlatformError::InvalidHandle;
  std::vector<std::string_view> names;
  if (const PlatformError error = splitPath(path, names); !succeeded(error)) return error;
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store_, create); !succeeded(error)) return error;
  Fd store(fcntl(store_, F_DUPFD_CLOEXEC, 0)), dir;
  if (store.get() < 0) return errorFromErrno(errno);
  const PlatformError error = walk(handle_, names, create, dir, created);
  // Assigned last: `key` may be this very handle.
  if (succeeded(error))
    key = RegistryKey(dir.release(), store.release());
  else if (&key != this)
    key.close();
  return error;
}

PlatformError RegistryKey::deleteSubKey(std::string_view path) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  std::vector<std::string_view> names;
  if (const PlatformError error = splitPath(path, names); !succeeded(error)) return error;
  if (names.empty()) return PlatformError::InvalidParameter;
  StoreLock lock;
  if (const PlatformError error = lock.acquire(store_, true); !succeeded(error)) return error;
  return removeKey(store_, handle_, names);
}

}  // namespace tz::platform
