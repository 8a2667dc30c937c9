// A mark is an object of the named-object namespace: holding it is holding the object's shared
// flock, and the namespace already treats an object without live flock holders as gone. For
// watches, each holder also takes an open-file-description read lock on one byte (below).
#define _FILE_OFFSET_BITS 64  // lock offsets up to 2^62; the OFD commands need the 64-bit call

#include "support/platform/named_mark.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "support/platform/posix/named_object_path.h"

namespace tz::platform {
namespace {

// A watch cannot ask about the flock: flock has no query, and taking it to find out would
// make creators and isHeld meet a holder that is not there. A record lock can be asked
// (F_OFD_GETLK: one call, never waits, changes nothing), and the open-file-description kind
// goes with the descriptor exactly as the flock does: on the last close, on the holder's
// death, inherited by fork, not by exec. Classic record locks would not do: they belong to
// the process, so a holder in the watcher's own process would not show.
//
// The locked byte is the mark's generation, which the holder that starts the mark afresh
// writes into the file under the namespace's lock, and later holders read. A holder that dies
// leaves its file behind and the next holder starts afresh in that same file; its new
// generation keeps a watch of the old mark from taking it for the old holders.
constexpr int64_t kGenerationLimit = int64_t{1} << 62;  // the byte and its end fit an off_t

int64_t newGeneration() {
  uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
    // Before the kernel's pool is ready: the clock and the process make it unique enough.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    bits = (static_cast<uint64_t>(now.tv_sec) * 1000000000u + now.tv_nsec) * 0x9E3779B97F4A7C15u ^
           static_cast<uint64_t>(getpid());
  }
  return 1 + static_cast<int64_t>(bits % (kGenerationLimit - 1));
}

// 0 for a file that carries no valid generation.
int64_t readGeneration(int fd) {
  int64_t generation = 0;
  if (pread(fd, &generation, sizeof generation, 0) != sizeof generation) return 0;
  return generation > 0 && generation < kGenerationLimit ? generation : 0;
}

struct flock generationByte(short type, int64_t generation) {
  struct flock lock {};  // l_pid must be 0 for the OFD commands
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = generation;
  lock.l_len = 1;
  return lock;
}

PlatformError takeGenerationLock(int fd, bool joined, int64_t fresh) {
  const int64_t generation = joined ? readGeneration(fd) : fresh;
  if (generation == 0) return PlatformError::InvalidData;
  struct flock lock = generationByte(F_RDLCK, generation);
  return fcntl(fd, F_OFD_SETLK, &lock) == 0 ? PlatformError::Success : errorFromErrno(errno);
}

}  // namespace

MarkHoldResult NamedMark::hold(std::string_view name) {
  const int64_t fresh = newGeneration();
  const posix::ObjectHandle object =
      posix::createObject(posix::ObjectKind::Mark, name, sizeof fresh, &fresh, sizeof fresh);
  MarkHoldResult result{object.error, NamedMark(), object.existed};
  result.mark.handle_ = object.fd;
  if (object.error != PlatformError::Success) return result;
  result.error = takeGenerationLock(object.fd, object.existed, fresh);
  if (result.error != PlatformError::Success) result.mark.release();
  return result;
}

bool NamedMark::isHeld(std::string_view name) {
  const posix::ObjectHandle object = posix::openObject(posix::ObjectKind::Mark, name);
  if (object.error != PlatformError::Success) return false;
  posix::closeObject(object.fd);
  return true;
}

void NamedMark::release() {
  posix::closeObject(std::exchange(handle_, -1));
}

// Opened by path, outside the namespace's lock: a watch only reads, so meeting a file that is
// being started afresh or removed is harmless (its generation is then not one with live
// holders). Only the file itself is checked, as create and open check it: files in a folder
// another user planted are that user's, and a file with a second name is not a mark.
MarkWatchResult MarkWatch::open(std::string_view name) {
  MarkWatchResult result{PlatformError::Success, MarkWatch()};
  std::string path;
  result.error = posix::objectPath(posix::ObjectKind::Mark, name, path);
  if (result.error != PlatformError::Success) return result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    result.error = errno == ELOOP ? PlatformError::AccessDenied : errorFromErrno(errno);
    return result;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() || st.st_nlink != 1) {
    ::close(fd);
    result.error = PlatformError::AccessDenied;
    return result;
  }
  return adopt(fd, readGeneration(fd));
}

bool MarkWatch::held() const {
  if (handle_ < 0 || generation_ == 0) return false;
  // Asks whether a write lock could be had; any holder's read lock is in the way.
  struct flock probe = generationByte(F_WRLCK, generation_);
  return fcntl(handle_, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

void MarkWatch::close() {
  if (handle_ >= 0) ::close(std::exchange(handle_, -1));
  generation_ = 0;
}

}  // namespace tz::platform
