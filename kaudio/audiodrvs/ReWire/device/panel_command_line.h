// The command line that starts the panel application: "loopra70.exe -REWIREDEVICE" in the
// folder above the library's "Audio Hardware Drivers" folder (or beside the library when its
// path holds no such folder).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tz::rewire {

// Characters the command line may hold, its zero not counted.
constexpr size_t kMaxCommandLineChars = 259;

enum class CommandLineResult { Built, NoLibraryPath, TooLong };

// Builds the line from the library's full path ('/' or '\\' separate folders). The path is
// not quoted: the launcher tries each prefix that ends at a space. On anything but Built the
// line is left empty, never cut short.
CommandLineResult buildPanelCommandLine(std::string_view libraryPath, std::u16string& line);

}  // namespace tz::rewire
