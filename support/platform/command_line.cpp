// The arguments of a command line, split by the original platform's C runtime rules, which is
// how a program started from one line there sees its arguments.
#include <string>
#include <vector>

#include "support/platform/process_launcher.h"

namespace tz::platform {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> splitCommandLineArguments(std::string_view line) {
  std::vector<std::string> arguments;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) return arguments;
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || !isBlank(line[i]))) {
      if (line[i] == '\\') {
        size_t count = 0;
        while (i < line.size() && line[i] == '\\') ++count, ++i;
        if (i == line.size() || line[i] != '"') {
          argument.append(count, '\\');
        } else {
          argument.append(count / 2, '\\');
          // An odd count escapes the quote; after an even one it is a delimiter, next round.
          if (count % 2 != 0) argument += line[i++];
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += line[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
}

}  // namespace tz::platform
