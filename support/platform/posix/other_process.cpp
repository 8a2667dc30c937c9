// Another process through a pidfd. The memory calls name the process by id (there is no pidfd
// form of them), so each one checks the pidfd around the call: an id is only reused after its
// process has ended.
#include "support/platform/other_process.h"

#include <poll.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace tz::platform {
namespace {

// Moves the range in as many calls as make progress; PartialCopy at the first byte that cannot
// be moved.
template <typename Transfer>
PlatformError transfer(Transfer call, uint64_t address, char* local, size_t bytes) {
  if (address > UINTPTR_MAX || bytes > UINTPTR_MAX - address || bytes > SSIZE_MAX)
    return PlatformError::PartialCopy;
  size_t done = 0;
  while (done < bytes) {
    const iovec mine{local + done, bytes - done};
    const iovec theirs{reinterpret_cast<void*>(static_cast<uintptr_t>(address) + done),
                       bytes - done};
    const ssize_t n = call(&mine, &theirs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EFAULT) return errorFromErrno(errno);
    if (n <= 0) return PlatformError::PartialCopy;
    done += static_cast<size_t>(n);
  }
  return PlatformError::Success;
}

}  // namespace

OtherProcessResult OtherProcess::open(uint32_t id) {
  if (id == 0 || id > INT_MAX) return {PlatformError::InvalidParameter, OtherProcess()};
  const long fd = syscall(SYS_pidfd_open, static_cast<pid_t>(id), 0);
  if (fd < 0) {
    return {errno == ESRCH ? PlatformError::InvalidParameter : errorFromErrno(errno),
            OtherProcess()};
  }
  OtherProcessResult result{PlatformError::Success, OtherProcess()};
  result.process.handle_ = static_cast<int32_t>(fd);
  result.process.id_ = id;
  return result;
}

bool OtherProcess::hasEnded() const {
  if (handle_ < 0) return true;
  pollfd ended{handle_, POLLIN, 0};
  return poll(&ended, 1, 0) != 0;  // readable once it ended; an error counts as ended
}

PlatformError OtherProcess::read(uint64_t address, void* into, size_t bytes) const {
  if (hasEnded()) return PlatformError::InvalidHandle;
  const auto pid = static_cast<pid_t>(id_);
  const PlatformError error =
      transfer([pid](const iovec* mine,
                     const iovec* theirs) { return process_vm_readv(pid, mine, 1, theirs, 1, 0); },
               address, static_cast<char*>(into), bytes);
  // Alive after the copy means the id was still this process's throughout.
  if (hasEnded()) return PlatformError::InvalidHandle;
  return error;
}

PlatformError OtherProcess::write(uint64_t address, const void* from, size_t bytes) const {
  if (hasEnded()) return PlatformError::InvalidHandle;
  const auto pid = static_cast<pid_t>(id_);
  // process_vm_writev only reads the local buffer.
  return transfer(
      [pid](const iovec* mine, const iovec* theirs) {
        return process_vm_writev(pid, mine, 1, theirs, 1, 0);
      },
      address, static_cast<char*>(const_cast<void*>(from)), bytes);
}

void OtherProcess::close() {
  if (handle_ >= 0) ::close(std::exchange(handle_, -1));
  id_ = 0;
}

}  // namespace tz::platform
