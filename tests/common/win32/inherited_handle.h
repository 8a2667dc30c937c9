// Handles as a launched child might inherit them.
#pragma once

#include <windows.h>

namespace tz::test {

// An inheritable copy of standard error; -1 on failure.
inline long makeInheritableHandle() {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(),
                       &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return -1;
  return static_cast<long>(reinterpret_cast<intptr_t>(copy));
}

inline void closeHandleNumber(long number) {
  CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(number)));
}

inline bool handleIsOpen(long number) {
  DWORD flags = 0;
  return GetHandleInformation(reinterpret_cast<HANDLE>(static_cast<intptr_t>(number)), &flags);
}

}  // namespace tz::test
