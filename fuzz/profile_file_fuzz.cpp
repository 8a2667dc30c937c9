// The profile-file reader on any file: every value read is a piece of one line of the file
// (never holding a line break or a NUL byte), or the fallback, and names match in any case.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support/platform/profile_file.h"

namespace {

constexpr std::string_view kFallback = "\x01missing";

const std::string& profilePath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/tz_profile_fuzz_XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) abort();
    close(fd);
    setenv("TZ_PROFILE_FILE", pattern, 1);
    return std::string(pattern);
  }();
  return path;
}

// Section and key names as a careless reader would see them, and a few fixed ones.
std::vector<std::string> namesIn(std::string_view file) {
  std::vector<std::string> names = {"Debug", "LogToFilePath", "DeviceIoctl", "", " "};
  for (size_t at = 0; at < file.size() && names.size() < 24;) {
    const size_t end = std::min(file.find('\n', at), file.size());
    const std::string_view line = file.substr(at, end - at);
    const size_t cut = line.find_first_of("]=");
    names.emplace_back(line.substr(line.starts_with('[') ? 1 : 0, cut));
    at = end + 1;
  }
  return names;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void check(std::string_view file, const std::string& section, const std::string& key) {
  const std::string value = tz::platform::readProfileString(section, key, kFallback);
  if (value != upper(value) &&
      tz::platform::readProfileString(upper(section), upper(key), kFallback) != value)
    abort();
  if (value == kFallback) return;
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) abort();
  if (file.find(value) == std::string_view::npos) abort();
  tz::platform::readProfileInt(section, key, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  FILE* out = std::fopen(profilePath().c_str(), "wb");
  if (out == nullptr) abort();
  std::fwrite(data, 1, size, out);
  std::fclose(out);
  const std::vector<std::string> names = namesIn(file);
  for (const std::string& section : names)
    for (size_t k = 0; k < names.size() && k < 8; ++k) check(file, section, names[k]);
  return 0;
}
