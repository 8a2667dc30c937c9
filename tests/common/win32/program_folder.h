// The folder of the running test program: the build copies the modules and lists a Windows test
// reads beside it, so that the test needs no path of the build machine.
#pragma once

#include <windows.h>

#include <string>

namespace tz::test {

// The program's folder with a trailing backslash; empty when the system cannot say.
inline std::wstring programFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace tz::test
