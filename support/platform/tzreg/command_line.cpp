// Options are case-insensitive and start with '/' or '-', in any order after the key; each
// may appear once, and only with the operations that know it.
#include "support/platform/tzreg/command_line.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace tz::tzreg {

namespace {

const std::string InvalidSyntax = "ERROR: Invalid syntax. Type \"tzreg /?\" for usage.";

std::string upper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return result;
}

bool parseKey(std::string_view key, CommandLine& line) {
  const size_t slash = key.find('\\');
  const std::string root = upper(key.substr(0, slash));
  if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") {
    line.root = platform::RegistryRoot::LocalMachine;
    line.keyName = "HKEY_LOCAL_MACHINE";
  } else if (root == "HKCU" || root == "HKEY_CURRENT_USER") {
    line.root = platform::RegistryRoot::CurrentUser;
    line.keyName = "HKEY_CURRENT_USER";
  } else {
    return false;
  }
  line.path = slash == std::string_view::npos ? "" : key.substr(slash + 1);
  if (!line.path.empty() && line.path.back() == '\\') line.path.pop_back();
  if (!line.path.empty()) line.keyName += "\\" + line.path;
  return true;
}

// Which options each operation accepts.
bool allowed(Operation operation, std::string_view option) {
  if (option == "V" || option == "VE") return true;
  switch (operation) {
    case Operation::Add:
      return option == "T" || option == "D" || option == "F";
    case Operation::Query:
      return option == "S";
    case Operation::Delete:
      return option == "VA" || option == "F";
    case Operation::Help:
      return false;
  }
  return false;
}

}  // namespace

std::string parseCommandLine(int argc, const char* const* argv, CommandLine& line) {
  line = CommandLine();
  for (int i = 0; i < argc; ++i)
    if (std::string_view(argv[i]) == "/?" || std::string_view(argv[i]) == "-?") return "";
  if (argc < 2) return InvalidSyntax;
  const std::string operation = upper(argv[0]);
  if (operation == "ADD")
    line.operation = Operation::Add;
  else if (operation == "QUERY")
    line.operation = Operation::Query;
  else if (operation == "DELETE")
    line.operation = Operation::Delete;
  else
    return InvalidSyntax;
  if (!parseKey(argv[1], line)) return "ERROR: Invalid key name. Type \"tzreg /?\" for usage.";

  std::vector<std::string> seen;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return InvalidSyntax;
    const std::string option = upper(arg.substr(1));
    if (!allowed(line.operation, option)) return InvalidSyntax;
    if (std::find(seen.begin(), seen.end(), option) != seen.end()) return InvalidSyntax;
    seen.push_back(option);
    const bool takesArgument = option == "V" || option == "T" || option == "D";
    if (takesArgument && i + 1 == argc) return InvalidSyntax;
    if (option == "V") line.valueName = argv[++i];
    if (option == "T") line.type = argv[++i];
    if (option == "D") line.data = argv[++i];
    if (option == "VE") line.valueName = "";
    if (option == "VA") line.allValues = true;
    if (option == "S") line.recursive = true;
    if (option == "F") line.force = true;
  }
  const auto count = [&](const char* option) {
    return std::count(seen.begin(), seen.end(), option);
  };
  if (count("V") + count("VE") + count("VA") > 1) return InvalidSyntax;
  return "";
}

}  // namespace tz::tzreg
