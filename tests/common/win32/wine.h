// Whether the tests run under Wine, whose few differences from the original platform the
// tests allow for: Wine's ntdll exports its version.
#pragma once

#include <windows.h>

namespace tz::test {

inline bool runningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace tz::test
