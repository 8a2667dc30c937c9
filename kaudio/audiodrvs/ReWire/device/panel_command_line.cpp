// The panel application lies in the folder that holds "Audio Hardware Drivers".
#include "kaudio/audiodrvs/ReWire/device/panel_command_line.h"

#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {

CommandLineResult buildPanelCommandLine(std::string_view libraryPath, std::u16string& line) {
  line.clear();
  const size_t separator = libraryPath.find_last_of("/\\");
  if (libraryPath.empty() || separator == std::string_view::npos)
    return CommandLineResult::NoLibraryPath;
  std::u16string text = platform::utf16FromUtf8(libraryPath.substr(0, separator + 1));
  const size_t drivers = text.find(u"Audio Hardware Drivers");
  if (drivers != std::u16string::npos) text.resize(drivers);
  text += u"loopra70.exe -REWIREDEVICE";
  // A cut line would start some other program, or none, without saying so.
  if (text.size() > kMaxCommandLineChars) return CommandLineResult::TooLong;
  line = std::move(text);
  return CommandLineResult::Built;
}

}  // namespace tz::rewire
