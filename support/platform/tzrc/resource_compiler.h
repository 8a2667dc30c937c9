// The resource compiler: resource scripts in, a module's resource directory out, as bytes or
// as a C++ source file that puts them into the module's resource note; or, for the original
// platform, the resource file that its linkers take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tz::tzrc {

// Compiles the scripts in order (a LANGUAGE statement holds to the end of its file). Throws
// ScriptError, whose message names the file and line, for a script that cannot be compiled.
std::vector<uint8_t> compileScripts(const std::vector<std::string>& paths);
// The same resources as a 32-bit resource file (.res) for the original platform's linkers.
std::vector<uint8_t> compileScriptsToResFile(const std::vector<std::string>& paths);

// A C++ source that places directory in the module's resource note; sources names the
// scripts in its header comment.
std::string noteSource(const std::vector<uint8_t>& directory,
                       const std::vector<std::string>& sources);

}  // namespace tz::tzrc
