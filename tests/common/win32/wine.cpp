#include "wine.h"

#include <windows.h>

namespace tz::test {

// Wine's ntdll exports its version.
bool runningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace tz::test
