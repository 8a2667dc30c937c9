// A debugger on Linux is a tracer: the kernel names it in the TracerPid line of the process's
// status, read with plain system calls into a stack buffer.
#include "support/platform/debugger.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>

namespace tz::platform {
namespace {

enum Answer : int { kUnknown, kNo, kYes };
std::atomic<int> remembered{kUnknown};

bool readStatus() {
  const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char text[4096];  // the status text is about 1.5 KiB; TracerPid comes early
  size_t length = 0;
  while (length < sizeof text) {
    const ssize_t got = read(fd, text + length, sizeof text - length);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    length += static_cast<size_t>(got);
  }
  close(fd);
  return tracedByStatus(text, length);
}

}  // namespace

bool debuggerAttached() {
  int answer = remembered.load(std::memory_order_acquire);
  if (answer == kUnknown) {
    answer = readStatus() ? kYes : kNo;
    remembered.store(answer, std::memory_order_release);
  }
  return answer == kYes;
}

}  // namespace tz::platform
