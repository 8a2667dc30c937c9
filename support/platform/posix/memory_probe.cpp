// Readability through the kernel: a copy from our own address space fails with EFAULT on an
// unmapped or unreadable page instead of raising a signal.
#include "support/platform/memory_probe.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>

namespace tz::platform {

bool isReadable(const void* address, size_t bytes) {
  if (bytes == 0) return true;
  if (address == nullptr) return false;
  const auto start = reinterpret_cast<uintptr_t>(address);
  if (start + bytes < start) return false;
  uint8_t sink[256];
  size_t done = 0;
  while (done < bytes) {
    size_t chunk = bytes - done < sizeof sink ? bytes - done : sizeof sink;
    iovec local{sink, chunk};
    iovec remote{reinterpret_cast<void*>(start + done), chunk};
    if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != static_cast<ssize_t>(chunk))
      return false;
    done += chunk;
  }
  return true;
}

}  // namespace tz::platform
