// The profile file's text rules, alike on every system; where the file is, is the backend's.
#include "support/platform/profile_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace tz::platform {
namespace {

std::string_view trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Names compare without regard to ASCII case, as the C library's POSIX locale does.
bool sameName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::string> findValue(std::string_view section, std::string_view key) {
  const std::string path = profileFilePath();
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                   std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  bool inSection = false;
  // A lone carriage return or a NUL byte ends a line too, so that no value holds one: a value
  // may become a path or a device name.
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find_first_of(std::string_view("\r\n\0", 3), at), text.size());
    const std::string_view line = trim(std::string_view(text).substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      inSection =
          close != std::string_view::npos && sameName(trim(line.substr(1, close - 1)), section);
      continue;
    }
    const size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos ||
        !sameName(trim(line.substr(0, equals)), key))
      continue;
    std::string_view value = trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

}  // namespace

std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view fallback) {
  std::optional<std::string> value = findValue(section, key);
  return value ? *value : std::string(fallback);
}

int32_t readProfileInt(std::string_view section, std::string_view key, int32_t fallback) {
  const std::optional<std::string> value = findValue(section, key);
  if (!value) return fallback;
  char* end = nullptr;
  const long long number = strtoll(value->c_str(), &end, 10);
  if (end == value->c_str()) return fallback;
  if (number > INT32_MAX) return INT32_MAX;
  if (number < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(number);
}

}  // namespace tz::platform
