// A module file's version from its "TzVersion" note: looked for in the note segments first
// (what a loaded image carries), then in the note sections. Only the headers and the notes
// are read.
#include <cstring>
#include <vector>

#include "support/platform/module.h"
#include "support/platform/posix/elf_note.h"

namespace tz::platform {

namespace {

constexpr uint32_t kVersionType = 1;
constexpr uint64_t kMaxNotesBytes = 64 * 1024;  // real note regions are far smaller

}  // namespace

PlatformError readFileVersion(std::string_view path, FileVersion& version) {
  ReadOnlyFile file;
  if (const PlatformError opened = file.open(path); opened != PlatformError::Success) return opened;
  std::vector<uint8_t> descriptor;
  const PlatformError found = readElfNote(file.size(), file.reader(),
                                          {"TzVersion", kVersionType, kMaxNotesBytes}, descriptor);
  if (found != PlatformError::Success) return found;
  uint32_t words[2];
  if (descriptor.size() != sizeof words) return PlatformError::ResourceTypeNotFound;
  memcpy(words, descriptor.data(), sizeof words);
  version = {words[0], words[1]};
  return PlatformError::Success;
}

}  // namespace tz::platform
