// Reading back the session picture's SVG text in the rwmixer suites.
#pragma once

#include <string>
#include <vector>

namespace tz::test {

inline size_t count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

// The <title> of every element whose tag opens with `opening`.
inline std::vector<std::string> titles(const std::string& svg, const std::string& opening) {
  std::vector<std::string> found;
  for (size_t at = svg.find(opening); at != std::string::npos; at = svg.find(opening, at + 1)) {
    const size_t from = svg.find("<title>", at) + 7;
    found.push_back(svg.substr(from, svg.find("</title>", from) - from));
  }
  return found;
}

}  // namespace tz::test
