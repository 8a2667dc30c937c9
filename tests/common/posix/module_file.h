// Module files of this system (ELF) taken apart and damaged by the module tests.
#pragma once

#include <dlfcn.h>
#include <elf.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/platform/platform_error.h"

namespace tz::test {

// The library claiming another architecture: a 64-bit class.
inline std::string foreignArchitecture(std::string library) {
  library[EI_CLASS] = ELFCLASS64;
  return library;
}

// The library with its note segments nulled (notes sections keep the version), or with its
// note sections nulled as well (nothing keeps it). Empty where the format has no such copies.
inline std::string withoutNoteSegments(std::string bytes) {
  Elf32_Ehdr header;
  memcpy(&header, bytes.data(), sizeof header);
  for (int i = 0; i < header.e_phnum; ++i) {
    auto* type = reinterpret_cast<Elf32_Word*>(&bytes[header.e_phoff + i * sizeof(Elf32_Phdr)]);
    if (*type == PT_NOTE) *type = PT_NULL;
  }
  return bytes;
}
inline std::string withoutNotes(std::string bytes) {
  bytes = withoutNoteSegments(std::move(bytes));
  Elf32_Ehdr header;
  memcpy(&header, bytes.data(), sizeof header);
  for (int i = 0; i < header.e_shnum; ++i) {
    auto* section = reinterpret_cast<Elf32_Shdr*>(&bytes[header.e_shoff + i * sizeof(Elf32_Shdr)]);
    if (section->sh_type == SHT_NOTE) section->sh_type = SHT_PROGBITS;
  }
  return bytes;
}

// Where damage may cost a module its version but must never fake one: the sizes of its
// version note and the header's table offsets.
inline std::vector<size_t> versionDamageSpots(const std::string& library) {
  const size_t note = library.find("TzVersion") - 12;
  return {note, note + 4, offsetof(Elf32_Ehdr, e_phoff), offsetof(Elf32_Ehdr, e_shoff)};
}

// A good language module damaged where a reader must notice: its directory's magic and count,
// the header's table offsets, the resource note's size.
// Each: what was damaged, the bytes, the status a reader gives.
inline std::vector<std::tuple<const char*, std::string, platform::PlatformError>>
damagedLanguageModules(const std::string& good) {
  using enum platform::PlatformError;
  const auto patched = [&](size_t at, uint32_t value) {
    std::string bytes = good;
    memcpy(&bytes[at], &value, sizeof value);
    return bytes;
  };
  const size_t magic = good.find("TZR1");
  if (magic == std::string::npos) return {};
  return {
      {"magic", patched(magic, 0), BadFormat},
      {"entries", patched(magic + 4, 0x10000000), BadFormat},
      {"sections", patched(offsetof(Elf32_Ehdr, e_shoff), 0xF0F0F0F0), BadFormat},
      {"segments", patched(offsetof(Elf32_Ehdr, e_phoff), good.size()), BadFormat},
      {"note", patched(magic - 24 + 4, 0xFFFFFFF0), ResourceTypeNotFound},
  };
}

// Whether the loader holds the file as a library to run (not at all, or read as data, is false).
inline bool loadedToRun(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

// A named pipe at path, which nobody will ever write to; false where there are none.
inline bool makeFifo(const std::filesystem::path& path) {
  return mkfifo(path.c_str(), 0600) == 0;
}

}  // namespace tz::test
