// Where the system a test runs on behaves unlike the original platform in ways a test must
// step around; each is a difference of Wine, which runs the tests on build machines.
#pragma once

#include <windows.h>

namespace tz::test {

inline bool runsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Wine reports volume serial 0 for a file still open under a name it has since left, so an
// open file renamed away is no longer found the same as its new name.
inline bool renamedOpenFilesLoseTheirVolume() {
  return runsUnderWine();
}

}  // namespace tz::test
