#include "memory_pages.h"

#include <windows.h>

namespace tz::test {

size_t pageBytes() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

char* mapPages(size_t count) {
  return static_cast<char*>(
      VirtualAlloc(nullptr, count * pageBytes(), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

bool makeInaccessible(char* page) {
  DWORD old = 0;
  return VirtualProtect(page, pageBytes(), PAGE_NOACCESS, &old);
}

bool makeGuardPage(char* page) {
  DWORD old = 0;
  return VirtualProtect(page, pageBytes(), PAGE_READWRITE | PAGE_GUARD, &old);
}

void unmapPages(char* pages, size_t) {
  VirtualFree(pages, 0, MEM_RELEASE);
}

uintptr_t protectedPage() {
  static void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
  return reinterpret_cast<uintptr_t>(page);
}

}  // namespace tz::test
