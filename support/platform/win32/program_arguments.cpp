// main's argv is in the ANSI code page, which loses what it cannot hold: the arguments come
// from the wide command line instead, split by the system's own rules.
#include "support/platform/program_arguments.h"

#include <shellapi.h>
#include <windows.h>

#include "support/platform/text_encoding.h"

namespace tz::platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    const std::wstring_view argument(wide[i]);
    arguments.push_back(utf8FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(argument.data()), argument.size())));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace tz::platform
