// Pages of the test's own address space with the protections a probe must tell apart. Declared
// without windows.h (memory_pages.cpp has it), so that tests using the library's own records
// can include this.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tz::test {

size_t pageBytes();
// count readable and writable pages; null when they cannot be had.
char* mapPages(size_t count);
bool makeInaccessible(char* page);
// A page whose first touch raises the guard-page exception and disarms it.
bool makeGuardPage(char* page);
void unmapPages(char* pages, size_t count);
// A page that is never accessible: the address of the access violations.
uintptr_t protectedPage();

}  // namespace tz::test
