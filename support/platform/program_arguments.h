// The arguments a program was started with, as UTF-8 text whatever the system's code page, so
// that a tool reads names and data beyond ASCII alike everywhere.
#pragma once

#include <string>
#include <vector>

namespace tz::platform {

// The program's arguments, its own name first; main's argc and argv are where the system
// hands them over as UTF-8 already.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace tz::platform
