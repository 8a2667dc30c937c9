#include "support/platform/program_arguments.h"

namespace tz::platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tz::platform
