// tzreg: reads and changes the registry from the command line, in the syntax of the
// original platform's reg tool, so that scripts and people can set up and inspect settings.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "support/platform/program_arguments.h"

#include "support/platform/tzreg/command_line.h"
#include "support/platform/tzreg/commands.h"

namespace {

constexpr const char* Usage =
    R"(tzreg: reads and changes the registry (where the system has none, TZ_REGISTRY_ROOT
relocates the store of files that stands for it).

  tzreg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
  tzreg query KEY [/v NAME | /ve] [/s]
  tzreg delete KEY [/v NAME | /ve | /va] [/f]

  KEY   HKLM\path or HKCU\path (also HKEY_LOCAL_MACHINE\, HKEY_CURRENT_USER\)
  /v    a value by name; /ve the default value; /va every value of the key
  /t    REG_SZ (default), REG_DWORD, REG_BINARY or REG_MULTI_SZ
  /d    the data: REG_DWORD in decimal or 0x hex, REG_BINARY as hex digits (0a1b),
        REG_MULTI_SZ items separated by \0. With /t or /d but no /v, the default value.
  /s    the key and all its sub keys
  /f    replace or delete without asking (Yes/No); without /f, the end of input means No

Names and text show control characters as \xNN (\uNNNN past U+007F), as well as the line,
paragraph and bidirectional formatting characters; all else shows as it is.

Exit status 0 on success, 1 on any error (one line on stderr). query /s shows every key it can
read, with one error line for each one it cannot, and then exits with 1.
)";

int run(int argc, char** argv) {
  using namespace tz::tzreg;
  const std::vector<std::string> arguments = tz::platform::programArguments(argc, argv);
  std::vector<const char*> words;
  for (size_t i = 1; i < arguments.size(); ++i) words.push_back(arguments[i].c_str());
  CommandLine line;
  const std::string error = parseCommandLine(static_cast<int>(words.size()), words.data(), line);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  switch (line.operation) {
    case Operation::Add:
      return runAdd(line);
    case Operation::Query:
      return runQuery(line);
    case Operation::Delete:
      return runDelete(line);
    case Operation::Help:
      break;
  }
  std::fputs(Usage, stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Every read is bounded, so this takes a machine out of memory; it still ends in one line.
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("ERROR: Not enough memory.\n", stderr);
    return 1;
  }
}
