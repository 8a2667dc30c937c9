// Readability from the system's own page records (VirtualQuery): committed, with a readable
// protection and not a guard page, whose first touch would raise an exception and disarm it.
// The copy then goes through ReadProcessMemory, which fails instead of faulting should another
// thread free the pages in between.
#include "support/platform/memory_probe.h"

#include <windows.h>

#include <cstdint>

namespace tz::platform {
namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

}  // namespace

bool isReadable(const void* address, size_t bytes) {
  if (bytes == 0) return true;
  const auto start = reinterpret_cast<uintptr_t>(address);
  const uintptr_t last = start + (bytes - 1);
  if (last < start) return false;
  for (uintptr_t at = start; at <= last;) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0 ||
        region.State != MEM_COMMIT || (region.Protect & kReadable) == 0 ||
        (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0)
      return false;
    const uintptr_t end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (end <= at) return true;  // the region reaches the top of the address space
    at = end;
  }
  return true;
}

bool readMemory(void* to, const void* address, size_t bytes) {
  if (bytes == 0) return true;
  if (address == nullptr || to == nullptr || !isReadable(address, bytes)) return false;
  SIZE_T copied = 0;
  return ReadProcessMemory(GetCurrentProcess(), address, to, bytes, &copied) && copied == bytes;
}

}  // namespace tz::platform
