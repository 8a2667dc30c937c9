// tzreg's argument reader on argument vectors (the input split at NUL bytes), followed as the
// tool does by the reading of /t and /d: it never crashes, and a refusal is one line that
// starts with "ERROR: ".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/platform/tzreg/command_line.h"
#include "support/platform/tzreg/value_text.h"

namespace {

bool isErrorLine(const std::string& line) {
  if (!line.starts_with("ERROR: ")) return false;
  for (const char c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tz::tzreg;
  std::vector<std::string> arguments(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      arguments.emplace_back();
    else
      arguments.back() += static_cast<char>(data[i]);
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  CommandLine line;
  const std::string error = parseCommandLine(static_cast<int>(argv.size()), argv.data(), line);
  if (!error.empty()) {
    if (!isErrorLine(error)) std::abort();
    return 0;
  }
  if (line.operation == Operation::Help) return 0;
  if (!line.keyName.starts_with("HKEY_LOCAL_MACHINE") &&
      !line.keyName.starts_with("HKEY_CURRENT_USER"))
    std::abort();
  auto type = tz::platform::RegistryType::String;
  std::string value, message;
  if (line.type && !(message = parseType(*line.type, type)).empty() && !isErrorLine(message))
    std::abort();
  if (line.data && !(message = parseData(type, *line.data, value)).empty() && !isErrorLine(message))
    std::abort();
  return 0;
}
