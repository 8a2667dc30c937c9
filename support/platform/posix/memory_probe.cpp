// Reads through the kernel: a copy from our own address space fails with EFAULT on an
// unmapped or unreadable page instead of raising a signal.
#include "support/platform/memory_probe.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>

namespace tz::platform {
namespace {

constexpr uintptr_t kPageBytes = 4096;

}  // namespace

bool readMemory(void* to, const void* address, size_t bytes) {
  if (bytes == 0) return true;
  if (address == nullptr || to == nullptr) return false;
  const auto start = reinterpret_cast<uintptr_t>(address);
  if (start + bytes < start) return false;
  iovec local{to, bytes};
  iovec remote{const_cast<void*>(address), bytes};
  return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(bytes);
}

bool isReadable(const void* address, size_t bytes) {
  if (bytes == 0) return true;
  const auto start = reinterpret_cast<uintptr_t>(address);
  const uintptr_t last = start + (bytes - 1);
  if (last < start) return false;
  // Readability goes by whole pages: one byte of each page the range touches tells.
  uint8_t byte = 0;
  if (!readMemory(&byte, address, 1)) return false;
  for (uintptr_t page = (start | (kPageBytes - 1)) + 1; page != 0 && page <= last;
       page += kPageBytes)
    if (!readMemory(&byte, reinterpret_cast<const void*>(page), 1)) return false;
  return true;
}

}  // namespace tz::platform
