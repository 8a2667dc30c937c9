// The store's top folder, its lock, the two root folders, and reading and replacing a key
// file. The lock is an flock on ".lock" in the top folder: it serialises changes between
// processes and threads (each holder opens the file anew), and a crashed holder releases it.
// Files are opened without following links, so that a planted link never redirects a read or
// a write.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

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

// An entry of the store that is a link, a folder or a device where a file belongs.
PlatformError openError(int error) {
  // EOVERFLOW: a file too large for this 32-bit process to open, far past any key file.
  if (error == ELOOP || error == EISDIR || error == ENXIO || error == ENODEV || error == EOVERFLOW)
    return PlatformError::BadDatabase;
  return errorFromErrno(error);
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

// Wakes a waiter for the lock when a holder closes the lock file, which is how every holder
// lets go (one that dies included), so that waiters take turns as blocked flock callers do; a
// pause between tries instead lets the busy holders starve them. Without inotify (the user's
// instances used up) the wait falls back to short pauses.
class ReleaseWatch {
 public:
  explicit ReleaseWatch(int lock) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    const std::string path = "/proc/self/fd/" + std::to_string(lock);
    if (fd_.get() >= 0 && inotify_add_watch(fd_.get(), path.c_str(), IN_CLOSE) < 0) fd_.reset();
  }

  // Returns after a release, or after at most `ms`.
  void wait(int ms) {
    if (fd_.get() < 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10)));
      return;
    }
    pollfd ready{fd_.get(), POLLIN, 0};
    if (poll(&ready, 1, ms) <= 0) return;
    alignas(inotify_event) char events[4096];
    while (read(fd_.get(), events, sizeof events) > 0) {
    }
  }

 private:
  Fd fd_;
};

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
  file_.reset(openat(store, ".lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (file_.get() < 0) return openError(errno);
  const int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  if (flock(file_.get(), operation) == 0) return PlatformError::Success;
  // flock has no timed wait; a blocking one interrupted by a timer signal would need a
  // process-wide handler, no place for a library. So a busy lock is tried again on each release.
  ReleaseWatch watch(file_.get());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LockWaitMs);
  while (flock(file_.get(), operation) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (error != EWOULDBLOCK || left.count() <= 0) {
      file_.reset();
      return error == EWOULDBLOCK ? PlatformError::Timeout : errorFromErrno(error);
    }
    // Bounded as well, should a holder ever let go without closing.
    watch.wait(static_cast<int>(std::min<int64_t>(left.count(), 100)));
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
  // Non-blocking, so that a FIFO in the file's place cannot stall the reader and with it the
  // lock; it is refused before any read.
  const Fd file(openat(dir, KeyFileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  // The folder of a live key always holds its file (keys appear and vanish whole), so a
  // missing file means that this handle's key was deleted.
  if (file.get() < 0) return errno == ENOENT ? PlatformError::KeyDeleted : openError(errno);
  struct stat info {};
  if (fstat(file.get(), &info) != 0) return openError(errno);
  if (!S_ISREG(info.st_mode) || info.st_size > static_cast<off_t>(MaxKeyFileBytes))
    return PlatformError::BadDatabase;
  // One byte more than the size, and grown while full up to the limit: the file may have
  // changed since fstat (an edit by hand), and the read must stay bounded all the same.
  std::string text(static_cast<size_t>(info.st_size) + 1, '\0');
  size_t length = 0;
  for (;;) {
    if (length == text.size()) {
      if (length > MaxKeyFileBytes) return PlatformError::BadDatabase;
      text.resize(std::min(2 * length, MaxKeyFileBytes + 1));
    }
    const ssize_t got = read(file.get(), text.data() + length, text.size() - length);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return lastError();
    if (got == 0) break;
    length += static_cast<size_t>(got);
  }
  text.resize(length);
  return parseKeyFile(text, values) ? PlatformError::Success : PlatformError::BadDatabase;
}

PlatformError writeValues(int dir, const Values& values) {
  const std::string text = formatKeyFile(values);
  if (text.size() > MaxKeyFileBytes) return PlatformError::OutOfMemory;
  // Whatever a crash or a hand left under the temporary name goes; O_EXCL then makes sure
  // that the write lands in a file of our own, not through a planted link.
  if (const PlatformError error = removeTree(dir, NewKeyFileName); !succeeded(error)) return error;
  Fd file(openat(dir, NewKeyFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (file.get() < 0) return openError(errno);
  // Synced before the rename: after a crash the key holds the old values or the new ones.
  if (!writeAll(file.get(), text) || fdatasync(file.get()) != 0) {
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
  syncFolder(dir);
  return PlatformError::Success;
}

void syncFolder(int dir) {
  // Best effort, after the change is made: some file systems refuse to sync a folder, and
  // the change has happened for every reader either way.
  fsync(dir);
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
