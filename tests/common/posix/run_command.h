// Runs a program to its end with its input from a text and its output captured, for tests of
// command-line tools. The arguments go to the program as they are, bytes included.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/command_outcome.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

// An argument may hold any byte but NUL here.
constexpr bool argumentsCarryAnyBytes = true;

// Runs `program` (a path, or a name the search path finds) in `folder`, which receives the
// files "in", "out" and "err". Status 127 when there is no such program; -1 when it is still
// running after `limitMs`, and then it is killed.
inline CommandOutcome runCommand(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& input, const std::filesystem::path& folder,
                                 int limitMs = 10000) {
  const auto quoted = [](const std::string& word) {
    std::string text = "'";
    for (const char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
  };
  std::string line = "cd " + quoted(folder.string()) + " && timeout -s KILL " +
                     std::to_string((limitMs + 999) / 1000) + " " + quoted(program);
  for (const std::string& arg : args) line += " " + quoted(arg);
  writeFile(folder / "in", input);
  const int status = system((line + " <in >out 2>err").c_str());
  return {WIFEXITED(status) && WEXITSTATUS(status) != 137 ? WEXITSTATUS(status) : -1,
          readFile(folder / "out"), readFile(folder / "err")};
}

}  // namespace tz::test
