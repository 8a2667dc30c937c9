// Helpers shared by the log suites: a scratch folder with wide paths for CLog, and a file's
// lines.
#pragma once

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/platform/text_encoding.h"
#include "tests/common/scratch_folder.h"
#include "tz/log.h"

namespace tz::core::test {

constexpr CLog::LOGFLAGS kAnyLevel = static_cast<CLog::LOGFLAGS>(0xFFFF);

struct LogFolder : tz::test::ScratchFolder {
  std::filesystem::path at(const std::string& name) const { return path / name; }
  std::u16string wide(const std::string& name) const {
    return platform::utf16FromUtf8(at(name).string());
  }
  std::string read(const std::string& name) const { return tz::test::readFile(at(name)); }
  // The names in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path))
      found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  }
};

inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace tz::core::test
