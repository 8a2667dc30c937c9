// A program run with the folders where its loader looks for the libraries it loads by plain
// name, the first folder first. The system's loader looks in the program's own folder first and
// has no variable for more, so the program and the folders' libraries are copied into `scratch`
// (a file of the first folder wins); run it there, so that the current folder adds nothing.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tz::test {

class LibrarySearch {
 public:
  LibrarySearch(const std::string& program, const std::vector<std::string>& folders,
                const std::filesystem::path& scratch) {
    namespace fs = std::filesystem;
    const fs::path copy = scratch / fs::path(program).filename();
    std::error_code error;
    fs::copy_file(program, copy, fs::copy_options::overwrite_existing, error);
    program_ = copy.string();
    for (const std::string& folder : folders)
      for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == ".dll")
          fs::copy_file(entry.path(), scratch / entry.path().filename(),
                        fs::copy_options::skip_existing, error);
  }

  // The program to run.
  const std::string& program() const { return program_; }

 private:
  std::string program_;
};

}  // namespace tz::test
