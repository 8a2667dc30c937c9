// tzrc: compiles resource scripts into a module's resources.
//   tzrc -o OUTPUT.cpp SCRIPT.rc...     the C++ source that carries them into the module
//   tzrc --binary OUTPUT SCRIPT.rc...   the bare resource directory
// Errors go to stderr as "file:line: error: message"; the exit status is then 1.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform/tzrc/resource_compiler.h"
#include "support/platform/tzrc/script_reader.h"

namespace {

int usage() {
  fprintf(stderr, "usage: tzrc -o OUTPUT.cpp SCRIPT.rc... | tzrc --binary OUTPUT SCRIPT.rc...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  bool binary = false;
  std::vector<std::string> scripts;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "-o" || argument == "--binary") && i + 1 < argc) {
      if (!output.empty()) return usage();
      binary = argument == "--binary";
      output = argv[++i];
    } else if (argument.starts_with("-")) {
      return usage();
    } else {
      scripts.push_back(argument);
    }
  }
  if (output.empty() || scripts.empty()) return usage();
  try {
    const std::vector<uint8_t> directory = tz::tzrc::compileScripts(scripts);
    const std::string content = binary ? std::string(directory.begin(), directory.end())
                                       : tz::tzrc::noteSource(directory, scripts);
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    if (!file.write(content.data(), static_cast<std::streamsize>(content.size())) ||
        !file.flush()) {
      fprintf(stderr, "tzrc: cannot write %s\n", output.c_str());
      return 1;
    }
  } catch (const tz::tzrc::ScriptError& error) {
    fprintf(stderr, "%s\n", error.what());
    std::remove(output.c_str());
    return 1;
  }
  return 0;
}
