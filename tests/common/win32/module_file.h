// Module files of this system (PE) taken apart and damaged by the module tests. Offsets are the
// PE format's, read from the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/platform/platform_error.h"

namespace tz::test {

namespace pe {

inline uint32_t word(const std::string& bytes, size_t at, size_t size = 4) {
  uint32_t value = 0;
  if (at <= bytes.size() && size <= bytes.size() - at) memcpy(&value, &bytes[at], size);
  return value;
}

inline void put(std::string& bytes, size_t at, uint32_t value, size_t size = 4) {
  memcpy(&bytes[at], &value, size);
}

inline size_t headers(const std::string& bytes) {
  return word(bytes, 0x3C);
}

// The file offset of data directory index's entry (RVA, size).
inline size_t directoryEntry(const std::string& bytes, int index) {
  return headers(bytes) + 24 + 96 + 8 * index;
}

// The file offset of an image offset, through the section table; 0 when no section holds it.
inline size_t fileOffset(const std::string& bytes, uint32_t rva) {
  const size_t at = headers(bytes);
  const size_t table = at + 24 + word(bytes, at + 20, 2);
  for (uint32_t i = 0; i < word(bytes, at + 6, 2); ++i) {
    const size_t section = table + 40 * i;
    const uint32_t start = word(bytes, section + 12), size = word(bytes, section + 16);
    if (rva >= start && rva - start < size) return word(bytes, section + 20) + (rva - start);
  }
  return 0;
}

// The file offset of the resource section's first data entry, three directories down.
inline size_t firstDataEntry(const std::string& bytes) {
  const size_t root = fileOffset(bytes, word(bytes, directoryEntry(bytes, 2)));
  size_t at = root;
  for (int level = 0; level < 3 && root != 0; ++level)
    at = root + (word(bytes, at + 16 + 4) & 0x7FFFFFFF);
  return root != 0 ? at : 0;
}

}  // namespace pe

// The library claiming another architecture: x64 (machine 0x8664).
inline std::string foreignArchitecture(std::string library) {
  pe::put(library, pe::headers(library) + 4, 0x8664, 2);
  return library;
}

// A PE module keeps its version in one place, its resource section: no copies to take away.
inline std::string withoutNoteSegments(std::string) {
  return {};
}
inline std::string withoutNotes(std::string) {
  return {};
}

// Where damage may cost a module its version but must never fake one: the header's offset,
// the resource section's entry count, the version resource's length and signature.
inline std::vector<size_t> versionDamageSpots(const std::string& library) {
  const std::string key(reinterpret_cast<const char*>(u"VS_VERSION_INFO"), 30);
  const size_t version = library.find(key);
  const size_t root = pe::fileOffset(library, pe::word(library, pe::directoryEntry(library, 2)));
  return {0x3C, root + 12, version - 6, version + 34};
}

// A good language module damaged where a reader must notice: the header's offset, the resource
// directory's count and a data entry's place, and a module without resources.
// Each: what was damaged, the bytes, the status a reader gives.
inline std::vector<std::tuple<const char*, std::string, platform::PlatformError>>
damagedLanguageModules(const std::string& good) {
  using enum platform::PlatformError;
  const auto patched = [&](size_t at, uint32_t value, size_t size = 4) {
    std::string bytes = good;
    pe::put(bytes, at, value, size);
    return bytes;
  };
  const size_t root = pe::fileOffset(good, pe::word(good, pe::directoryEntry(good, 2)));
  const size_t data = pe::firstDataEntry(good);
  if (root == 0 || data == 0) return {};
  std::string withoutResources = patched(pe::directoryEntry(good, 2), 0);
  pe::put(withoutResources, pe::directoryEntry(good, 2) + 4, 0);
  return {
      {"header", patched(0x3C, 0x7FFFFFF0), BadFormat},
      {"entries", patched(root + 14, 0x7FFF, 2), BadFormat},
      {"data", patched(data, 0x7FFFFFF0), BadFormat},
      {"resources", withoutResources, ResourceTypeNotFound},
  };
}

// Whether the loader holds the file as a library to run (not at all, or read as data, is false).
bool loadedToRun(const std::string& path);

// Named pipes live outside the file system here: nothing is made.
inline bool makeFifo(const std::filesystem::path&) {
  return false;
}

}  // namespace tz::test
