// Append mode is O_APPEND, which makes the seek to the end and the write one step for every
// writer of the file, in this process or another.
#define _FILE_OFFSET_BITS 64  // logs past 2 GiB open (no EOVERFLOW) and report their size

#include "support/platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace tz::platform {

AppendFileResult AppendFile::open(std::string_view path) {
  AppendFileResult result{PlatformError::Success, {}};
  // O_NONBLOCK: opening a pipe without a reader would otherwise wait for one; on a regular
  // file it changes nothing.
  const int fd = ::open(std::string(path).c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    // A folder (EISDIR) or a pipe without a reader (ENXIO) is no regular file either.
    result.error =
        errno == ENXIO || errno == EISDIR ? PlatformError::AccessDenied : errorFromErrno(errno);
    return result;
  }
  result.file.handle_ = fd;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.error = PlatformError::AccessDenied;
    result.file.close();
  }
  return result;
}

PlatformError AppendFile::append(std::string_view bytes) {
  if (handle_ < 0) return PlatformError::InvalidHandle;
  while (!bytes.empty()) {
    const ssize_t written = ::write(handle_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    // A regular file takes no bytes only when nothing more fits.
    if (written <= 0) return written < 0 ? errorFromErrno(errno) : PlatformError::DiskFull;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return PlatformError::Success;
}

int64_t AppendFile::size() const {
  struct stat st;
  if (handle_ < 0 || fstat(handle_, &st) != 0) return -1;
  return st.st_size;
}

bool AppendFile::isNamedBy(std::string_view path) const {
  struct stat mine, named;
  if (handle_ < 0 || fstat(handle_, &mine) != 0) return false;
  if (stat(std::string(path).c_str(), &named) != 0) return false;
  return mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void AppendFile::close() {
  if (handle_ >= 0) ::close(std::exchange(handle_, -1));
}

PlatformError renameFile(std::string_view from, std::string_view to) {
  if (::rename(std::string(from).c_str(), std::string(to).c_str()) == 0)
    return PlatformError::Success;
  return errno == EISDIR ? PlatformError::AccessDenied : errorFromErrno(errno);
}

}  // namespace tz::platform
