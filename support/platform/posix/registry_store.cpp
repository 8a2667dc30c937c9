// The store's top folder, its lock, the two root folders, and reading and replacing a key
// file. The lock is an flock on ".lock" in the top folder: it serialises changes between
// processes and threads (each holder opens the file anew), and a crashed holder releases it.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cstdlib>

#include "support/platform/posix/registry_internal.h"

namespace tz::platform::registry {

namespace {

constexpr const char* RootFolders[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"};
// A key file is written here first and renamed over the old one, so that a reader or a
// crash never meets half a file.
constexpr const char* NewKeyFileName = ".key.new";

std::string storePath() {
  if (const char* root = getenv("TZ_REGISTRY_ROOT"); root && *root) return root;
  if (const char* config = getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
    return std::string(config) + "/tz-registry";
  const char* home = getenv("HOME");
  if (!home || !*home) {
    const passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : nullptr;
  }
  return home ? std::string(home) + "/.config/tz-registry" : std::string();
}

PlatformError lastError() {
  return errorFromErrno(errno);
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

PlatformError openStore(bool create, Fd& store) {
  const std::string path = storePath();
  if (path.empty()) return PlatformError::PathNotFound;
  int makeError = 0;
  for (size_t end = 1; create && end <= path.size(); ++end) {
    if (end < path.size() && path[end] != '/') continue;
    if (mkdir(path.substr(0, end).c_str(), 0700) != 0 && errno != EEXIST) makeError = errno;
  }
  store.reset(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (store.get() < 0) return errorFromErrno(makeError ? makeError : errno);
  return PlatformError::Success;
}

PlatformError StoreLock::acquire(int store, bool exclusive) {
  file_.reset(openat(store, ".lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (file_.get() < 0) return lastError();
  while (flock(file_.get(), exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno == EINTR) continue;
    const PlatformError error = lastError();
    file_.reset();
    return error;
  }
  return PlatformError::Success;
}

PlatformError openHive(int store, RegistryRoot root, bool create, Fd& hive) {
  const auto index = static_cast<uint32_t>(root);
  if (index > 1) return PlatformError::InvalidParameter;
  hive.reset(openat(store, RootFolders[index], O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (hive.get() >= 0) return PlatformError::Success;
  if (errno != ENOENT || !create) return lastError();
  return makeKeyFolder(store, RootFolders[index], hive);
}

PlatformError readValues(int dir, Values& values) {
  const Fd file(openat(dir, KeyFileName, O_RDONLY | O_CLOEXEC));
  // The folder of a live key always holds its file (keys appear and vanish whole), so a
  // missing file means that this handle's key was deleted.
  if (file.get() < 0) return errno == ENOENT ? PlatformError::KeyDeleted : lastError();
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return lastError();
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  return parseKeyFile(text, values) ? PlatformError::Success : PlatformError::BadDatabase;
}

PlatformError writeValues(int dir, const Values& values) {
  Fd file(openat(dir, NewKeyFileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (file.get() < 0) return lastError();
  // Synced before the rename: after a crash the key holds the old values or the new ones.
  if (!writeAll(file.get(), formatKeyFile(values)) || fdatasync(file.get()) != 0) {
    const PlatformError error = lastError();
    unlinkat(dir, NewKeyFileName, 0);
    return error;
  }
  file.reset();
  if (renameat(dir, NewKeyFileName, dir, KeyFileName) != 0) {
    const PlatformError error = lastError();
    unlinkat(dir, NewKeyFileName, 0);
    return error;
  }
  return PlatformError::Success;
}

PlatformError openListing(int dir, DIR*& listing) {
  // A description of its own: a dup would share (and move) the handle's read position.
  const int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return lastError();
  listing = fdopendir(fd);
  if (listing) return PlatformError::Success;
  const PlatformError error = lastError();
  ::close(fd);
  return error;
}

PlatformError removeTree(int parent, const char* name) {
  const Fd dir(openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (dir.get() < 0) {
    if (errno == ENOENT) return PlatformError::Success;
    if (errno != ENOTDIR && errno != ELOOP) return lastError();
    return unlinkat(parent, name, 0) == 0 ? PlatformError::Success : lastError();
  }
  DIR* listing = nullptr;
  if (const PlatformError error = openListing(dir.get(), listing); !succeeded(error)) return error;
  std::vector<std::string> entries;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view entryName = entry->d_name;
    if (entryName != "." && entryName != "..") entries.emplace_back(entryName);
  }
  closedir(listing);
  for (const std::string& entry : entries)
    if (const PlatformError error = removeTree(dir.get(), entry.c_str()); !succeeded(error))
      return error;
  return unlinkat(parent, name, AT_REMOVEDIR) == 0 ? PlatformError::Success : lastError();
}

}  // namespace tz::platform::registry
