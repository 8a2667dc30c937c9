// main's argv is in the ANSI code page, which loses what it cannot hold: the arguments come
// from the wide command line instead, split by the system's own rules.
#include "support/platform/program_arguments.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "support/platform/win32/wide_text.h"

namespace tz::platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace tz::platform
