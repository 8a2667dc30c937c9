// The tzreg command line, in the syntax of the original platform's reg tool:
//   tzreg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
//   tzreg query KEY [/v NAME | /ve] [/s]
//   tzreg delete KEY [/v NAME | /ve | /va] [/f]
#pragma once

#include <optional>
#include <string>

#include "support/platform/registry.h"

namespace tz::tzreg {

enum class Operation { Add, Query, Delete, Help };

struct CommandLine {
  Operation operation = Operation::Help;
  platform::RegistryRoot root = platform::RegistryRoot::LocalMachine;
  std::string path;                      // below the root
  std::string keyName;                   // as shown: the root's full name, then the path
  std::optional<std::string> valueName;  // "" for /ve
  std::optional<std::string> type;
  std::optional<std::string> data;
  bool allValues = false;
  bool recursive = false;
  bool force = false;
};

// Parses the arguments after the program name: "" on success, else the error line.
std::string parseCommandLine(int argc, const char* const* argv, CommandLine& line);

}  // namespace tz::tzreg
