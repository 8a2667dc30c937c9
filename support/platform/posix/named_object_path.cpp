// Every transition that decides an object's fate (create, open, last close, sweep) runs under
// an exclusive flock on the user's directory. That serialises two creators, and makes the
// flock conversions below safe although the kernel does not convert atomically.
#define _FILE_OFFSET_BITS 64  // sections may exceed 2 GiB; off_t must hold any size_t

#include "support/platform/posix/named_object_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace tz::platform::posix {
namespace {

static_assert(NAME_MAX == 255, "object names are as long as a file name may be");

bool isPrivateFolder(const struct stat& st) {
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 0777) == 0700;
}

// Any local user can make folders in the shared-memory folder, so another one could make ours
// first and keep every object of ours from working; nobody but the user can in the runtime
// folder that the login made for them alone. Resolved to its real path, as /proc names the
// files of open descriptors (see closeObject).
std::string chooseFolder() {
  static constexpr char Subfolder[] = "/tz-objects";
  // Room left for '/' and a file name: every object's path fits PATH_MAX.
  constexpr size_t Longest = PATH_MAX - NAME_MAX - 1 - sizeof Subfolder;
  char real[PATH_MAX];
  struct stat st;
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && realpath(runtime, real) != nullptr &&
      stat(real, &st) == 0 && isPrivateFolder(st) && strlen(real) <= Longest)
    return std::string(real) + Subfolder;
  const char* shared = realpath("/dev/shm", real) != nullptr ? real : "/dev/shm";
  return std::string(shared) + "/tz-" + std::to_string(geteuid());
}

// Once per process: were it looked up afresh, a change of the environment would part a
// process from the objects it holds.
const std::string& userDirectory() {
  static const std::string folder = chooseFolder();
  return folder;
}

// Every create and open fails alike after it, so one line says why.
void reportForeignFolder() {
  static std::atomic<bool> said{false};
  if (!said.exchange(true))
    fprintf(stderr, "tz: named objects unavailable: %s is not a private folder of this user\n",
            userDirectory().c_str());
}

// ELOOP is O_NOFOLLOW meeting a symbolic link planted where an object belongs.
PlatformError lastError() {
  return errno == ELOOP ? PlatformError::AccessDenied : errorFromErrno(errno);
}

ObjectHandle failed(PlatformError error) {
  return {error, -1, false};
}

ObjectHandle failedClosing(int fd, PlatformError error) {
  close(fd);
  return {error, -1, false};
}

// A file with a second name is refused: only the user can link into the folder, but the other
// name may be any file of theirs, which a start afresh would truncate and zero.
bool isOurFile(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() && st.st_nlink == 1;
}

// The user's directory, locked exclusively for the lifetime of this value.
class Gate {
 public:
  Gate() {
    error_ = enter();
    if (error_ == PlatformError::AccessDenied) reportForeignFolder();
  }
  Gate(const Gate&) = delete;
  ~Gate() {
    if (fd_ >= 0) close(fd_);
  }

  PlatformError error() const { return error_; }
  int fd() const { return fd_; }

 private:
  PlatformError enter() {
    const std::string& dir = userDirectory();
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return lastError();
    fd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // A link or a file where the folder belongs is someone else's doing.
    if (fd_ < 0) return errno == ENOTDIR ? PlatformError::AccessDenied : lastError();
    // Object contents are only as private as the directory that holds them.
    struct stat st;
    if (fstat(fd_, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
      return PlatformError::AccessDenied;
    int r;
    while ((r = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    return r == 0 ? PlatformError::Success : lastError();
  }

  int fd_ = -1;
  PlatformError error_ = PlatformError::Success;
};

// Exclusive locks are only taken inside the gate and only succeed on an object without
// holders, so a shared lock never has to wait for one.
ObjectHandle holdShared(int fd, bool existed) {
  if (flock(fd, LOCK_SH | LOCK_NB) != 0) return failedClosing(fd, lastError());
  return {PlatformError::Success, fd, existed};
}

PlatformError startAfresh(int fd, size_t bytes, const void* initial, size_t initialBytes,
                          size_t initialAt) {
  if (ftruncate(fd, 0) != 0 || fchmod(fd, 0600) != 0) return lastError();
  // Reserve the storage now: tmpfs running out later would fault the process that writes.
  if (bytes > 0) {
    const int r = posix_fallocate(fd, 0, static_cast<off_t>(bytes));
    if (r != 0) return r == ENOSPC ? PlatformError::NotEnoughMemory : errorFromErrno(r);
  }
  for (size_t done = 0; done < initialBytes;) {
    const ssize_t n = pwrite(fd, static_cast<const char*>(initial) + done, initialBytes - done,
                             static_cast<off_t>(initialAt + done));
    if (n < 0 && errno != EINTR) return lastError();
    if (n > 0) done += static_cast<size_t>(n);
  }
  return PlatformError::Success;
}

// The escaped namespace of an object's file name; false for a file that is not an object's.
bool namespaceOf(std::string_view file, std::string_view& space) {
  const size_t kindEnd = file.find('~');
  if (kindEnd == std::string_view::npos) return false;
  const std::string_view kind = file.substr(0, kindEnd);
  if (kind != objectKindWord(ObjectKind::Section) && kind != objectKindWord(ObjectKind::Event) &&
      kind != objectKindWord(ObjectKind::Mark))
    return false;
  const size_t spaceEnd = file.find('~', kindEnd + 1);
  if (spaceEnd == std::string_view::npos || spaceEnd + 1 == file.size()) return false;
  space = file.substr(kindEnd + 1, spaceEnd - kindEnd - 1);
  return true;
}

enum class Holders { Live, None, Unknown };

// Under the gate, so that nobody starts holding the object meanwhile: the exclusive-lock test
// that open and close make, removing the file when it has no holder and `remove` is set.
Holders holdersOf(int folder, const char* file, bool remove) {
  const int fd = openat(folder, file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Holders::Unknown;
  Holders holders = Holders::Unknown;
  if (isOurFile(fd)) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      holders = Holders::None;
      if (remove) unlinkat(folder, file, 0);
    } else if (errno == EWOULDBLOCK) {
      holders = Holders::Live;
    }
  }
  close(fd);
  return holders;
}

// Bounds the time the sweep keeps the gate. A larger folder is left to later sweeps, and each
// sweep that removes something leaves fewer entries before the rest.
constexpr int SweepEntries = 1024;

// Objects of sessions that ended would otherwise stay for good: nothing opens their names
// again. A namespace is one session's (or one test's), and while any of its objects has a live
// holder the dead ones are that session's to meet again (a create or open of the name deals
// with each), so only namespaces without a live holder among the entries read go, and a running
// session does not see its objects' files change under it. Nothing with a holder is removed.
void sweepEndedNamespaces(int folder) {
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* dir = fdopendir(listing);
  if (dir == nullptr) {
    close(listing);
    return;
  }
  std::vector<std::string> unheld, live;
  for (int seen = 0; seen < SweepEntries; ++seen) {
    const dirent* entry = readdir(dir);
    if (entry == nullptr) break;
    std::string_view space;
    if (!namespaceOf(entry->d_name, space)) continue;
    const Holders holders = holdersOf(folder, entry->d_name, false);
    if (holders == Holders::Live) live.emplace_back(space);
    if (holders == Holders::None) unheld.emplace_back(entry->d_name);
  }
  closedir(dir);
  std::sort(live.begin(), live.end());
  for (const std::string& file : unheld) {
    std::string_view space;
    if (namespaceOf(file, space) &&
        !std::binary_search(live.begin(), live.end(), space,
                            [](std::string_view a, std::string_view b) { return a < b; }))
      holdersOf(folder, file.c_str(), true);
  }
}

// The name within the user's directory of the file that `fd` has open; false for a file
// elsewhere. The name is as the file was opened: see carriesName.
bool fileNameOf(int fd, std::string& file) {
  char link[32];
  char path[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  const std::string dir = userDirectory() + '/';
  if (n <= 0 || static_cast<size_t>(n) <= dir.size() ||
      dir.compare(0, dir.size(), path, dir.size()) != 0)
    return false;
  file.assign(path + dir.size(), static_cast<size_t>(n) - dir.size());
  return true;
}

// Whether `file` (relative to `folder`) still names the file `fd` has open: the link reads
// "... (deleted)", or names another file, if ours was removed or replaced by hand.
bool carriesName(int folder, const char* file, int fd) {
  struct stat mine, named;
  return fstat(fd, &mine) == 0 && fstatat(folder, file, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

// Whether the open file of `fd` itself (not some other open file of the same file) holds a
// shared flock. The kernel lists exactly those locks in the descriptor's fdinfo, as lines
// "lock:\t1: FLOCK  ADVISORY  READ ..."; reading it changes no lock, as a trial flock would.
bool holdsSharedLock(int fd) {
  char name[40];
  snprintf(name, sizeof name, "/proc/self/fdinfo/%d", fd);
  const int info = open(name, O_RDONLY | O_CLOEXEC);
  if (info < 0) return false;
  std::string text;
  char chunk[512];
  for (ssize_t n; text.size() < 65536 && (n = read(info, chunk, sizeof chunk)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  close(info);
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line(text.data() + at, end - at);
    if (line.starts_with("lock:") && line.find(" FLOCK ") != std::string_view::npos &&
        line.find(" READ ") != std::string_view::npos)
      return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

PlatformError objectPath(ObjectKind kind, std::string_view name, std::string& path) {
  std::string file;
  const PlatformError error = objectName(kind, name, file);
  if (error == PlatformError::Success) path = userDirectory() + '/' + file;
  return error;
}

ObjectHandle createObject(ObjectKind kind, std::string_view name, size_t bytes, const void* initial,
                          size_t initialBytes, size_t initialAt) {
  std::string file;
  if (const PlatformError e = objectName(kind, name, file); e != PlatformError::Success)
    return failed(e);
  if (initialBytes > bytes || initialAt > bytes - initialBytes)
    return failed(PlatformError::InvalidParameter);
  const Gate gate;
  if (gate.error() != PlatformError::Success) return failed(gate.error());
  // The first create of a process is where a new session begins: a control-thread call that
  // already holds the gate, never one on the audio path.
  static std::atomic<bool> swept{false};
  if (!swept.exchange(true)) sweepEndedNamespaces(gate.fd());
  const int fd = openat(gate.fd(), file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return failed(lastError());
  if (!isOurFile(fd)) return failedClosing(fd, PlatformError::AccessDenied);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) return failedClosing(fd, lastError());
    return holdShared(fd, true);  // a live holder has it: join
  }
  // Nobody holds it: the file is new, or was left by a process that died holding it.
  if (const PlatformError e = startAfresh(fd, bytes, initial, initialBytes, initialAt);
      e != PlatformError::Success) {
    unlinkat(gate.fd(), file.c_str(), 0);
    return failedClosing(fd, e);
  }
  return holdShared(fd, false);
}

ObjectHandle openObject(ObjectKind kind, std::string_view name) {
  std::string file;
  if (const PlatformError e = objectName(kind, name, file); e != PlatformError::Success)
    return failed(e);
  const Gate gate;
  if (gate.error() != PlatformError::Success) return failed(gate.error());
  const int fd = openat(gate.fd(), file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return failed(lastError());
  if (!isOurFile(fd)) return failedClosing(fd, PlatformError::AccessDenied);
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    // Left by a process that died: the object is gone, as it would be had that process
    // closed it.
    unlinkat(gate.fd(), file.c_str(), 0);
    return failedClosing(fd, PlatformError::FileNotFound);
  }
  if (errno != EWOULDBLOCK) return failedClosing(fd, lastError());
  return holdShared(fd, true);
}

ObjectHandle addObjectReference(int fd) {
  char link[32];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  // A fresh open file description, so that its lock counts apart from the original's.
  const int copy = open(link, O_RDWR | O_CLOEXEC);
  if (copy < 0) return failed(lastError());
  return holdShared(copy, true);
}

void closeObject(int fd) {
  if (fd < 0) return;
  std::string file;
  if (!fileNameOf(fd, file)) {
    close(fd);
    return;
  }
  const Gate gate;
  // An exclusive lock means no other reference is left. A failed attempt drops our shared
  // lock, which is about to go anyway.
  if (gate.error() == PlatformError::Success && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      carriesName(gate.fd(), file.c_str(), fd))
    unlinkat(gate.fd(), file.c_str(), 0);
  close(fd);  // before the gate opens, so that no one meets our exclusive lock
}

ObjectHandle takeForeignObject(ObjectKind kind, int fd) {
  std::string file;
  std::string_view space;
  const std::string prefix = std::string(objectKindWord(kind)) + '~';
  const bool ours = isOurFile(fd) && fileNameOf(fd, file) && file.starts_with(prefix) &&
                    namespaceOf(file, space) &&
                    carriesName(AT_FDCWD, (userDirectory() + '/' + file).c_str(), fd) &&
                    holdsSharedLock(fd);
  const ObjectHandle own = ours ? addObjectReference(fd) : failed(PlatformError::AccessDenied);
  close(fd);
  return own;
}

}  // namespace tz::platform::posix
