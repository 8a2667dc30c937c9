// Notes in ELF files (32-bit, little-endian), where modules carry their version and their
// resources. The file is reached through a read function, so that a file on disk and bytes in
// memory go through the same checks: every offset and size it holds is checked against the
// file before it is used, and nothing is read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "support/platform/platform_error.h"

namespace tz::platform {

// Copies `bytes` bytes at offset `at` of the file into `to`; false when they cannot all be
// read. Called only for ranges inside the file's size.
using ReadFileRange = std::function<bool(void* to, uint64_t bytes, uint64_t at)>;

struct ElfNoteQuery {
  std::string_view owner;
  uint32_t type = 0;
  uint64_t maxRegionBytes = 0;  // a larger note segment or section is passed over
  // The file must hold every segment and section it declares: a truncated copy is BadFormat.
  bool wholeFile = false;
};

// The descriptor of the first note of the owner and type, looked for in the note segments
// (what a loaded image carries), then in the note sections. BadFormat when the file is no
// 32-bit little-endian ELF file (or, with wholeFile, not whole), ResourceTypeNotFound when it
// carries no such note. The descriptor is left as it was on failure.
PlatformError readElfNote(uint64_t fileSize, const ReadFileRange& read, const ElfNoteQuery& query,
                          std::vector<uint8_t>& descriptor);

// The first note of the owner and type in a region of notes in memory, whose fields are padded
// to align bytes (8, else 4); false when there is none before the region ends or a note
// reaches past it.
bool findNote(const uint8_t* notes, size_t size, uint32_t align, std::string_view owner,
              uint32_t type, const uint8_t*& descriptor, size_t& descriptorSize);

// A regular file opened for reading, closed on destruction. Opening never waits (a FIFO at the
// path is refused, not waited on).
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();

  // The open's error (FileNotFound, PathNotFound, AccessDenied…), or BadFormat for a folder,
  // a FIFO or anything else that is not a regular file. Once only.
  PlatformError open(std::string_view path);
  uint64_t size() const { return size_; }
  // The file's bytes through pread, for readElfNote.
  ReadFileRange reader() const;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace tz::platform
