// Every transition that decides an object's fate (create, open, last close) runs under an
// exclusive flock on the user's directory. That serialises two creators, and makes the
// flock conversions below safe although the kernel does not convert atomically.
#define _FILE_OFFSET_BITS 64  // sections may exceed 2 GiB; off_t must hold any size_t

#include "support/platform/posix/named_object_path.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace tz::platform::posix {
namespace {

const char* kindWord(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Section:
      return "section";
    case ObjectKind::Event:
      return "event";
    case ObjectKind::Mark:
      return "mark";
  }
  return "object";
}

// Keeps [A-Za-z0-9._-]; any other byte, '%' and the separator '~' included, becomes %XX.
void appendEscaped(std::string& out, std::string_view text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += Hex[c >> 4];
      out += Hex[c & 15];
    }
  }
}

std::string userDirectory() {
  return "/dev/shm/tz-" + std::to_string(geteuid());
}

PlatformError fileName(ObjectKind kind, std::string_view name, std::string& out) {
  if (name.empty()) return PlatformError::InvalidName;
  out = kindWord(kind);
  out += '~';
  if (const char* space = getenv("TZ_OBJECT_NAMESPACE")) appendEscaped(out, space);
  out += '~';
  appendEscaped(out, name);
  return out.size() <= NAME_MAX ? PlatformError::Success : PlatformError::InvalidName;
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

bool isOurFile(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
}

// The user's directory, locked exclusively for the lifetime of this value.
class Gate {
 public:
  Gate() {
    const std::string dir = userDirectory();
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
      error_ = lastError();
      return;
    }
    fd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
      error_ = lastError();
      return;
    }
    // Object contents are only as private as the directory that holds them.
    struct stat st;
    if (fstat(fd_, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
      error_ = PlatformError::AccessDenied;
      return;
    }
    int r;
    while ((r = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (r != 0) error_ = lastError();
  }
  Gate(const Gate&) = delete;
  ~Gate() {
    if (fd_ >= 0) close(fd_);
  }

  PlatformError error() const { return error_; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  PlatformError error_ = PlatformError::Success;
};

// Exclusive locks are only taken inside the gate and only succeed on an object without
// holders, so a shared lock never has to wait for one.
ObjectHandle holdShared(int fd, bool existed) {
  if (flock(fd, LOCK_SH | LOCK_NB) != 0) return failedClosing(fd, lastError());
  return {PlatformError::Success, fd, existed};
}

PlatformError startAfresh(int fd, size_t bytes, const void* initial, size_t initialBytes) {
  if (ftruncate(fd, 0) != 0 || fchmod(fd, 0600) != 0) return lastError();
  // Reserve the storage now: tmpfs running out later would fault the process that writes.
  if (bytes > 0) {
    const int r = posix_fallocate(fd, 0, static_cast<off_t>(bytes));
    if (r != 0) return r == ENOSPC ? PlatformError::NotEnoughMemory : errorFromErrno(r);
  }
  for (size_t done = 0; done < initialBytes;) {
    const ssize_t n = pwrite(fd, static_cast<const char*>(initial) + done, initialBytes - done,
                             static_cast<off_t>(done));
    if (n < 0 && errno != EINTR) return lastError();
    if (n > 0) done += static_cast<size_t>(n);
  }
  return PlatformError::Success;
}

}  // namespace

PlatformError objectPath(ObjectKind kind, std::string_view name, std::string& path) {
  std::string file;
  const PlatformError error = fileName(kind, name, file);
  if (error == PlatformError::Success) path = userDirectory() + '/' + file;
  return error;
}

ObjectHandle createObject(ObjectKind kind, std::string_view name, size_t bytes, const void* initial,
                          size_t initialBytes) {
  std::string file;
  if (const PlatformError e = fileName(kind, name, file); e != PlatformError::Success)
    return failed(e);
  if (initialBytes > bytes) return failed(PlatformError::InvalidParameter);
  const Gate gate;
  if (gate.error() != PlatformError::Success) return failed(gate.error());
  const int fd = openat(gate.fd(), file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return failed(lastError());
  if (!isOurFile(fd)) return failedClosing(fd, PlatformError::AccessDenied);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) return failedClosing(fd, lastError());
    return holdShared(fd, true);  // a live holder has it: join
  }
  // Nobody holds it: the file is new, or was left by a process that died holding it.
  if (const PlatformError e = startAfresh(fd, bytes, initial, initialBytes);
      e != PlatformError::Success) {
    unlinkat(gate.fd(), file.c_str(), 0);
    return failedClosing(fd, e);
  }
  return holdShared(fd, false);
}

ObjectHandle openObject(ObjectKind kind, std::string_view name) {
  std::string file;
  if (const PlatformError e = fileName(kind, name, file); e != PlatformError::Success)
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
  char link[32];
  char path[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  const std::string dir = userDirectory() + '/';
  if (n <= 0 || static_cast<size_t>(n) <= dir.size() ||
      dir.compare(0, dir.size(), path, dir.size()) != 0) {
    close(fd);
    return;
  }
  path[n] = '\0';
  const char* file = path + dir.size();
  const Gate gate;
  // An exclusive lock means no other reference is left. A failed attempt drops our shared
  // lock, which is about to go anyway.
  if (gate.error() == PlatformError::Success && flock(fd, LOCK_EX | LOCK_NB) == 0) {
    struct stat mine, named;
    // The link reads "... (deleted)", or names another file, if ours was removed by hand.
    if (fstat(fd, &mine) == 0 && fstatat(gate.fd(), file, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        mine.st_dev == named.st_dev && mine.st_ino == named.st_ino)
      unlinkat(gate.fd(), file, 0);
  }
  close(fd);  // before the gate opens, so that no one meets our exclusive lock
}

}  // namespace tz::platform::posix
