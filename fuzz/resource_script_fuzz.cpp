// The resource compiler's reader and parser on any text, as the script "fuzz.rc" that may include
// itself and nothing else: it builds a directory that the directory reader accepts, or fails
// with one error line naming the script and one of its lines. Every dialog it builds is a
// template the dialog reader accepts and writes back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/platform/dialog_template.h"
#include "support/platform/resource_directory.h"
#include "support/platform/tzrc/resource_set.h"
#include "support/platform/tzrc/script_reader.h"

namespace {

// "fuzz.rc:LINE: error: TEXT" on one line, LINE within the script.
bool isErrorLine(const std::string& message, const std::string& script) {
  static const std::string kName = "fuzz.rc:";
  if (!message.starts_with(kName) || message.find_first_of("\r\n") != std::string::npos)
    return false;
  size_t at = kName.size();
  long line = 0;
  for (; at < message.size() && message[at] >= '0' && message[at] <= '9' && line < 1 << 24; ++at)
    line = line * 10 + (message[at] - '0');
  const long lines = std::count(script.begin(), script.end(), '\n') + 1;
  return at > kName.size() && line <= lines && message.compare(at, 9, ": error: ") == 0;
}

// The entries follow the header in the bytes the set built, 4-byte aligned.
bool dialogsReadBack(const std::vector<uint8_t>& bytes) {
  const tz::platform::ResourceDirectory directory(bytes.data(), bytes.size());
  for (uint32_t i = 0; i < directory.entryCount(); ++i) {
    // In place, as the directory holds it: data() takes only its own entries.
    const auto& entry = reinterpret_cast<const tz::platform::ResourceEntry*>(
        bytes.data() + sizeof(tz::platform::ResourceDirectoryHeader))[i];
    if (entry.type != tz::platform::kResourceTypeDialog) continue;
    const auto* data = static_cast<const uint8_t*>(directory.data(entry));
    tz::platform::DialogTemplate dialog;
    if (data == nullptr ||
        readDialogTemplate(data, entry.size, dialog) != tz::platform::DialogTemplateStatus::Ok ||
        tz::platform::writeDialogTemplate(dialog) != std::vector<uint8_t>(data, data + entry.size))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string script(reinterpret_cast<const char*>(data), size);
  try {
    tz::tzrc::ScriptReader reader("fuzz.rc", {{"fuzz.rc", script}});
    tz::tzrc::ResourceSet resources;
    tz::tzrc::parseScript(reader, resources);
    const std::vector<uint8_t> bytes = resources.build();
    const tz::platform::ResourceDirectory directory(bytes.data(), bytes.size());
    if (directory.empty() || (directory.entryCount() == 0) != resources.empty() ||
        !dialogsReadBack(bytes))
      std::abort();
  } catch (const tz::tzrc::ScriptError& error) {
    if (!isErrorLine(error.what(), script)) std::abort();
  }
  return 0;
}
