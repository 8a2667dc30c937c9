// A fresh folder under the temporary directory, removed with its contents at the end of the
// scope, and whole files read and written as bytes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace tz::test {

struct ScratchFolder {
  std::filesystem::path path;

  // With make false nothing is made and `path` stays empty: a peer process works in its
  // parent's folder.
  explicit ScratchFolder(bool make = true) {
    if (!make) return;
    // Without its folder a test would work in the user's own registry store and objects.
    // create_directory fails on a name that exists, so a folder is never shared.
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
      auto candidate = std::filesystem::temp_directory_path() /
                       ("tz_test_" + std::to_string(seed()) + std::to_string(seed() % 1000));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) path = candidate;
    }
    if (path.empty()) abort();
    // The user's alone, as a private runtime folder must be (tests use one as such).
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A text file's contents with its line ends as "\n", whichever system's programs wrote it.
inline std::string readText(const std::filesystem::path& file) {
  std::string text = readFile(file);
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

// Replaces the file's contents with `bytes`; returns its path as text.
inline std::string writeFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  return file.string();
}

}  // namespace tz::test
