// The command-line splitter, on any text: it never reads past the line, and what it splits
// comes out the same again once quoted by the rules it reads.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/platform/process_launcher.h"

namespace {

// Quotes one argument so that the splitter reads it back unchanged: backslashes double before
// a quote and at the end, quotes are escaped.
std::string quoted(const std::string& argument) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  return out + '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> arguments = tz::platform::splitCommandLineArguments(line);
  std::string joined;
  for (const std::string& argument : arguments) joined += quoted(argument) + ' ';
  if (tz::platform::splitCommandLineArguments(joined) != arguments) std::abort();
  return 0;
}
