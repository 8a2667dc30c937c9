// Pages of the test's own address space with the protections a probe must tell apart.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace tz::test {

inline size_t pageBytes() {
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// count readable and writable pages; null when they cannot be had.
inline char* mapPages(size_t count) {
  void* pages = mmap(nullptr, count * pageBytes(), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages != MAP_FAILED ? static_cast<char*>(pages) : nullptr;
}

inline bool makeInaccessible(char* page) {
  return mprotect(page, pageBytes(), PROT_NONE) == 0;
}

// A page whose first touch faults: without guard pages of the system's own, an inaccessible one.
inline bool makeGuardPage(char* page) {
  return makeInaccessible(page);
}

inline void unmapPages(char* pages, size_t count) {
  munmap(pages, count * pageBytes());
}

// A page that is never accessible: the address of the access violations.
inline uintptr_t protectedPage() {
  static void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return reinterpret_cast<uintptr_t>(page);
}

}  // namespace tz::test
