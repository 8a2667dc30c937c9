#include "module_file.h"

#include <windows.h>

namespace tz::test {

// Wine's ntdll says which it is.
bool underWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace tz::test
