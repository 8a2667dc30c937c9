// The key tree as folders: finding a sub key by name without regard to case, creating one
// so that it appears whole, and deleting one so that it vanishes whole.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "support/platform/posix/registry_internal.h"

namespace tz::platform::registry {

namespace {

// A new key folder is assembled here and renamed into place; a deleted one is renamed here
// and then removed. Leftovers of a crash are removed by the next user (under the lock).
constexpr const char* NewKeyFolderName = ".new";
constexpr const char* TrashFolderName = ".trash";

bool isFolder(int dir, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN) return false;
  struct stat info {};
  return fstatat(dir, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
}

// Whatever stands in the file's place counts: a link, a FIFO or a file too large to stat in a
// 32-bit process (EOVERFLOW) makes a damaged key, not a deleted one.
PlatformError keyExists(int dir) {
  struct stat info {};
  if (fstatat(dir, KeyFileName, &info, AT_SYMLINK_NOFOLLOW) == 0 || errno == EOVERFLOW)
    return PlatformError::Success;
  return errno == ENOENT ? PlatformError::KeyDeleted : errorFromErrno(errno);
}

// The file name of the sub key called `name`. Two folders whose names differ only in case
// can only come from editing by hand, and make the name ambiguous.
PlatformError findSubKey(int dir, std::string_view name, std::string& fileName) {
  std::vector<SubKey> subKeys;
  if (const PlatformError error = listSubKeys(dir, subKeys); !succeeded(error)) return error;
  const std::string folded = foldName(name);
  int matches = 0;
  for (const SubKey& subKey : subKeys) {
    if (foldName(subKey.name) != folded) continue;
    fileName = subKey.fileName;
    ++matches;
  }
  if (matches > 1) return PlatformError::BadDatabase;
  return matches ? PlatformError::Success : PlatformError::FileNotFound;
}

}  // namespace

PlatformError listSubKeys(int dir, std::vector<SubKey>& subKeys) {
  subKeys.clear();
  DIR* listing = nullptr;
  if (const PlatformError error = openListing(dir, listing); !succeeded(error)) return error;
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] == '.' || !isFolder(dir, *entry)) continue;
    std::string name = decodeFileName(entry->d_name);
    // A folder whose name no key can have was not made by the registry; leave it be.
    if (!isValidName(name, MaxKeyNameUnits) || name.find('\\') != std::string::npos) continue;
    subKeys.push_back({std::move(name), entry->d_name});
  }
  closedir(listing);
  std::sort(subKeys.begin(), subKeys.end(), [](const SubKey& a, const SubKey& b) {
    const std::string foldedA = foldName(a.name), foldedB = foldName(b.name);
    return foldedA != foldedB ? foldedA < foldedB : a.fileName < b.fileName;
  });
  return PlatformError::Success;
}

PlatformError makeKeyFolder(int parent, const std::string& fileName, Fd& dir) {
  if (const PlatformError error = removeTree(parent, NewKeyFolderName); !succeeded(error))
    return error;
  if (mkdirat(parent, NewKeyFolderName, 0700) != 0) return errorFromErrno(errno);
  Fd made(openat(parent, NewKeyFolderName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  PlatformError error = made.get() < 0 ? errorFromErrno(errno) : writeValues(made.get(), {});
  if (succeeded(error) && renameat(parent, NewKeyFolderName, parent, fileName.c_str()) != 0)
    error = errno == EEXIST || errno == ENOTEMPTY || errno == ENOTDIR
                ? PlatformError::BadDatabase  // a stray entry with the key's file name
                : errorFromErrno(errno);
  if (!succeeded(error)) {
    removeTree(parent, NewKeyFolderName);
    return error;
  }
  syncFolder(parent);
  dir = std::move(made);
  return PlatformError::Success;
}

PlatformError walk(int start, const std::vector<std::string_view>& names, bool create, Fd& dir,
                   bool* created) {
  if (const PlatformError error = keyExists(start); !succeeded(error)) return error;
  // Close-on-exec like every descriptor of the store: with an empty path this is the handle.
  Fd current(fcntl(start, F_DUPFD_CLOEXEC, 0));
  if (current.get() < 0) return errorFromErrno(errno);
  bool made = false;
  for (const std::string_view name : names) {
    std::string fileName;
    PlatformError error = findSubKey(current.get(), name, fileName);
    Fd next;
    made = create && error == PlatformError::FileNotFound;
    if (made) {
      error = makeKeyFolder(current.get(), encodeFileName(name), next);
    } else if (succeeded(error)) {
      next.reset(
          openat(current.get(), fileName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (next.get() < 0) error = errorFromErrno(errno);
    }
    if (!succeeded(error)) return error;
    current = std::move(next);
  }
  // A folder in the tree without its key file was damaged by hand.
  if (!names.empty() && keyExists(current.get()) == PlatformError::KeyDeleted)
    return PlatformError::BadDatabase;
  if (created) *created = made;
  dir = std::move(current);
  return PlatformError::Success;
}

PlatformError removeKey(int store, int start, const std::vector<std::string_view>& names) {
  if (names.empty()) return PlatformError::InvalidParameter;
  Fd parent;
  const std::vector<std::string_view> parentNames(names.begin(), names.end() - 1);
  if (const PlatformError error = walk(start, parentNames, false, parent, nullptr);
      !succeeded(error))
    return error;
  std::string fileName;
  if (const PlatformError error = findSubKey(parent.get(), names.back(), fileName);
      !succeeded(error))
    return error;
  if (const PlatformError error = removeTree(store, TrashFolderName); !succeeded(error))
    return error;
  if (renameat(parent.get(), fileName.c_str(), store, TrashFolderName) != 0)
    return errorFromErrno(errno);
  syncFolder(parent.get());
  // The key is gone for everyone now; what cannot be removed goes with the next delete.
  removeTree(store, TrashFolderName);
  return PlatformError::Success;
}

}  // namespace tz::platform::registry
