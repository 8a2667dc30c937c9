// A program run with the folders where its loader looks for the libraries it loads by plain
// name, the first folder first: LD_LIBRARY_PATH, for the program's children, while this lives.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/scoped_env.h"

namespace tz::test {

class LibrarySearch {
 public:
  LibrarySearch(const std::string& program, const std::vector<std::string>& folders,
                const std::filesystem::path&)
      : program_(program), path_("LD_LIBRARY_PATH", joined(folders)) {}

  // The program to run.
  const std::string& program() const { return program_; }

 private:
  static std::string joined(const std::vector<std::string>& folders) {
    std::string path;
    for (const std::string& folder : folders) path += (path.empty() ? "" : ":") + folder;
    return path;
  }

  std::string program_;
  ScopedEnv path_;
};

}  // namespace tz::test
