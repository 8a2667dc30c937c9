// A command line written as one text, as a test reads best, split into a program's arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tz::test {

// The words of `text`, split at spaces outside single quotes; the quotes themselves go.
inline std::vector<std::string> commandWords(std::string_view text) {
  std::vector<std::string> words;
  bool quoted = false, inWord = false;
  for (const char c : text) {
    if (c == ' ' && !quoted) {
      inWord = false;
      continue;
    }
    if (!inWord) words.emplace_back();
    inWord = true;
    if (c == '\'')
      quoted = !quoted;
    else
      words.back() += c;
  }
  return words;
}

}  // namespace tz::test
