// Without TZ_PROFILE_FILE the profile is win.ini in the Windows folder, the file the system's
// own profile calls read.
#include <windows.h>

#include "support/platform/profile_file.h"
#include "support/platform/win32/wide_text.h"

namespace tz::platform {

std::string profileFilePath() {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"TZ_PROFILE_FILE", buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return utf8FromWide(std::wstring_view(buffer, length));
  if (length >= MAX_PATH) {
    std::wstring path(length, L'\0');
    length = GetEnvironmentVariableW(L"TZ_PROFILE_FILE", path.data(), length);
    if (length > 0 && length < path.size()) return utf8FromWide(path.substr(0, length));
  }
  length = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "win.ini";
  return utf8FromWide(std::wstring_view(buffer, length)) + "\\win.ini";
}

}  // namespace tz::platform
