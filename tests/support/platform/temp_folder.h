// A fresh folder under the temporary directory, removed with its contents at the end of the
// scope; one that holds compiled locales; and the whole of a file read as bytes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

namespace tz::test {

struct TempFolder {
  std::filesystem::path path;

  // With make false nothing is made: a peer process works in its parent's folder.
  explicit TempFolder(bool make = true) {
    std::string pattern = std::filesystem::temp_directory_path() / "tz_test_XXXXXX";
    if (!make) return;
    // Without its folder a test would work in the user's own registry store.
    if (mkdtemp(pattern.data()) == nullptr) abort();
    path = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  ~TempFolder() {
    if (!path.empty()) std::filesystem::remove_all(path);
  }
};

// UTF-8 locales ("de_DE") compiled into the folder that LOCPATH names meanwhile, so that the
// machine need not have them installed.
struct LocaleFolder : TempFolder {
  explicit LocaleFolder(std::initializer_list<const char*> names) {
    for (const std::string name : names)
      system(("localedef -i " + name + " -f UTF-8 '" + (path / name).string() +
              ".UTF-8' >/dev/null 2>&1")
                 .c_str());
    setenv("LOCPATH", path.c_str(), 1);
  }
  ~LocaleFolder() { unsetenv("LOCPATH"); }
};

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace tz::test
