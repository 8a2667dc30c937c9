#include "module_file.h"

#include <windows.h>

#include "support/platform/text_encoding.h"

namespace tz::test {

// By file name: the loader lists the modules it mapped to run, and a module mapped as data is
// in none of its lists.
bool loadedToRun(const std::string& path) {
  const std::u16string name =
      platform::utf16FromUtf8(std::filesystem::path(path).filename().string());
  return GetModuleHandleW(reinterpret_cast<const wchar_t*>(name.c_str())) != nullptr;
}

}  // namespace tz::test
