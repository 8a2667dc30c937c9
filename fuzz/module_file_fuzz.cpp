// The module file readers on any bytes: the note reader on the bytes in memory, then the data
// module and the version reader on the same bytes as a file. The note reader asks only for
// ranges inside the file, a descriptor it finds is a piece of the input, and the readers of
// the file come to the same verdicts as the reader of the bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/platform/data_module.h"
#include "support/platform/module.h"
#include "support/platform/posix/elf_note.h"
#include "support/platform/resources.h"

namespace {

using namespace tz::platform;

// The file each input is written to, removed at exit by its own destructor (a handler
// registered apart from it could run after the path is gone).
struct InputFile {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("tz_fuzz_module_file_" + std::to_string(std::random_device()())))
                         .string();
  ~InputFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

const std::string& filePath() {
  static const InputFile file;
  return file.path;
}

PlatformError noteInBytes(const uint8_t* data, size_t size, const ElfNoteQuery& query,
                          std::vector<uint8_t>& descriptor) {
  const auto read = [data, size](void* to, uint64_t bytes, uint64_t at) {
    if (at > size || bytes > size - at) std::abort();
    memcpy(to, data + at, static_cast<size_t>(bytes));
    return true;
  };
  const PlatformError found = readElfNote(size, read, query, descriptor);
  if (found == PlatformError::Success &&
      std::search(data, data + size, descriptor.begin(), descriptor.end()) == data + size)
    std::abort();
  return found;
}

// Lookups in a loaded data module; their results lie in its copy, which the sanitizer guards.
void lookUp(const DataModule& module) {
  char16_t text[32];
  for (uint32_t id : {0u, 1u, 15u, 16u, 1527u, 0xFFFFu})
    for (uint16_t language : {kLanguageNeutral, kLanguageEnglishUs, uint16_t{0x0407}})
      loadStringInLanguage(module.instance(), id, language, text, 32);
  loadString(module.instance(), 101, text, 32);
  const ResourceKey type = ResourceKey::id(kResourceTypeString);
  const ResourceEntry* entry =
      findResourceDefault(module.instance(), type, ResourceKey::named(u"NAME"));
  if (entry == nullptr) entry = findResource(module.instance(), type, ResourceKey::id(1), 0x0407);
  if (const void* data = resourceData(module.instance(), entry)) {
    uint8_t sink = 0;
    for (uint32_t i = 0; i < resourceSize(module.instance(), entry); ++i)
      sink ^= static_cast<const uint8_t*>(data)[i];
    (void)sink;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> resources, version;
  const PlatformError resourceNote = noteInBytes(
      data, size, {kResourceNoteOwner, kResourceNoteType, kMaxDataModuleBytes, true}, resources);
  const PlatformError versionNote = noteInBytes(data, size, {"TzVersion", 1, 64 * 1024}, version);
  const bool usable = resourceNote == PlatformError::Success && size <= kMaxDataModuleBytes &&
                      !ResourceDirectory(resources.data(), resources.size()).empty();

  std::ofstream(filePath(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  DataModule module;
  if ((module.load(filePath()) == PlatformError::Success) != usable) std::abort();
  if (module.loaded()) lookUp(module);
  FileVersion fileVersion;
  const bool versionRead = readFileVersion(filePath(), fileVersion) == PlatformError::Success;
  if (versionRead != (versionNote == PlatformError::Success && version.size() == 8) ||
      (versionRead && (memcmp(&fileVersion.mostSignificant, version.data(), 4) != 0 ||
                       memcmp(&fileVersion.leastSignificant, version.data() + 4, 4) != 0)))
    std::abort();
  return 0;
}
