// Pages of the test's own address space with the protections a probe must tell apart.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace tz::test {

inline size_t pageBytes() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

// count readable and writable pages; null when they cannot be had.
inline char* mapPages(size_t count) {
  return static_cast<char*>(
      VirtualAlloc(nullptr, count * pageBytes(), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

inline bool makeInaccessible(char* page) {
  DWORD old = 0;
  return VirtualProtect(page, pageBytes(), PAGE_NOACCESS, &old);
}

// A page whose first touch raises the guard-page exception and disarms it.
inline bool makeGuardPage(char* page) {
  DWORD old = 0;
  return VirtualProtect(page, pageBytes(), PAGE_READWRITE | PAGE_GUARD, &old);
}

inline void unmapPages(char* pages, size_t) {
  VirtualFree(pages, 0, MEM_RELEASE);
}

// A page that is never accessible: the address of the access violations.
inline uintptr_t protectedPage() {
  static void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
  return reinterpret_cast<uintptr_t>(page);
}

}  // namespace tz::test
