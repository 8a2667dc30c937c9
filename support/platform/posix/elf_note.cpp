// Finding a note in an ELF file: the header, then the program and section header tables, then
// each note region, every one checked against the file's size before it is read.
#include "support/platform/posix/elf_note.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tz::platform {

namespace {

class BoundedFile {
 public:
  BoundedFile(uint64_t size, const ReadFileRange& read) : size_(size), read_(read) {}

  bool holds(uint64_t bytes, uint64_t at) const { return at <= size_ && bytes <= size_ - at; }
  bool read(void* to, uint64_t bytes, uint64_t at) const {
    return holds(bytes, at) && (bytes == 0 || read_(to, bytes, at));
  }
  template <typename Header>
  bool readTable(uint32_t offset, uint16_t count, uint16_t entrySize,
                 std::vector<Header>& out) const {
    if (count == 0) return true;
    // Sized only once the table is known to lie in the file.
    if (entrySize != sizeof(Header) || !holds(uint64_t{count} * sizeof(Header), offset))
      return false;
    out.resize(count);
    return read(out.data(), uint64_t{count} * sizeof(Header), offset);
  }

 private:
  uint64_t size_;
  const ReadFileRange& read_;
};

struct Region {
  uint64_t offset;
  uint64_t size;
  uint32_t align;
};

bool holdsAll(const BoundedFile& file, const std::vector<Elf32_Phdr>& segments,
              const std::vector<Elf32_Shdr>& sections) {
  for (const Elf32_Phdr& s : segments)
    if (!file.holds(s.p_filesz, s.p_offset)) return false;
  for (const Elf32_Shdr& s : sections)
    if (s.sh_type != SHT_NOBITS && !file.holds(s.sh_size, s.sh_offset)) return false;
  return true;
}

bool findInRegions(const BoundedFile& file, const std::vector<Region>& regions,
                   const ElfNoteQuery& query, std::vector<uint8_t>& descriptor) {
  for (const Region& region : regions) {
    if (region.size > query.maxRegionBytes || !file.holds(region.size, region.offset)) continue;
    std::vector<uint8_t> notes(static_cast<size_t>(region.size));
    const uint8_t* found = nullptr;
    size_t size = 0;
    if (file.read(notes.data(), region.size, region.offset) &&
        findNote(notes.data(), notes.size(), region.align, query.owner, query.type, found, size)) {
      descriptor.assign(found, found + size);
      return true;
    }
  }
  return false;
}

}  // namespace

bool findNote(const uint8_t* notes, size_t size, uint32_t align, std::string_view owner,
              uint32_t type, const uint8_t*& descriptor, size_t& descriptorSize) {
  // The loader's rule: the descriptor and the next note start at the region's alignment.
  const uint64_t step = align == 8 ? 8 : 4;
  const auto padded = [step](uint64_t n) { return (n + step - 1) / step * step; };
  uint64_t at = 0;
  while (at < size && size - at >= 3 * sizeof(uint32_t)) {
    uint32_t word[3];  // name size, descriptor size, type
    memcpy(word, notes + at, sizeof word);
    const uint64_t nameAt = at + sizeof word;
    const uint64_t descriptorAt = at + padded(sizeof word + uint64_t{word[0]});
    if (descriptorAt > size || word[1] > size - descriptorAt) return false;
    if (word[2] == type && word[0] == owner.size() + 1 &&
        memcmp(notes + nameAt, owner.data(), owner.size()) == 0 &&
        notes[nameAt + owner.size()] == '\0') {
      descriptor = notes + descriptorAt;
      descriptorSize = word[1];
      return true;
    }
    at = descriptorAt + padded(word[1]);
  }
  return false;
}

PlatformError readElfNote(uint64_t fileSize, const ReadFileRange& read, const ElfNoteQuery& query,
                          std::vector<uint8_t>& descriptor) {
  const BoundedFile file(fileSize, read);
  Elf32_Ehdr header;
  if (!file.read(&header, sizeof header, 0) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS32 || header.e_ident[EI_DATA] != ELFDATA2LSB)
    return PlatformError::BadFormat;
  std::vector<Elf32_Phdr> segments;
  std::vector<Elf32_Shdr> sections;
  const bool segmentsRead =
      file.readTable(header.e_phoff, header.e_phnum, header.e_phentsize, segments);
  const bool sectionsRead =
      file.readTable(header.e_shoff, header.e_shnum, header.e_shentsize, sections);
  if (query.wholeFile && !(segmentsRead && sectionsRead && holdsAll(file, segments, sections)))
    return PlatformError::BadFormat;
  // Otherwise a table that cannot be read is as good as none.
  if (!segmentsRead) segments.clear();
  if (!sectionsRead) sections.clear();

  std::vector<Region> regions;
  for (const Elf32_Phdr& s : segments)
    if (s.p_type == PT_NOTE) regions.push_back({s.p_offset, s.p_filesz, s.p_align});
  for (const Elf32_Shdr& s : sections)
    if (s.sh_type == SHT_NOTE) regions.push_back({s.sh_offset, s.sh_size, s.sh_addralign});
  return findInRegions(file, regions, query, descriptor) ? PlatformError::Success
                                                         : PlatformError::ResourceTypeNotFound;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) close(fd_);
}

PlatformError ReadOnlyFile::open(std::string_view path) {
  if (fd_ >= 0) return PlatformError::InvalidHandle;
  fd_ = ::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) return errorFromErrno(errno);
  struct stat info {};
  if (fstat(fd_, &info) != 0) return errorFromErrno(errno);
  if (!S_ISREG(info.st_mode)) return PlatformError::BadFormat;
  size_ = static_cast<uint64_t>(info.st_size);
  return PlatformError::Success;
}

ReadFileRange ReadOnlyFile::reader() const {
  return [fd = fd_](void* to, uint64_t bytes, uint64_t at) {
    auto* out = static_cast<char*>(to);
    while (bytes > 0) {
      const ssize_t got = pread(fd, out, static_cast<size_t>(bytes), static_cast<off_t>(at));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // the file shrank since it was measured
      out += got;
      at += static_cast<uint64_t>(got);
      bytes -= static_cast<uint64_t>(got);
    }
    return true;
  };
}

}  // namespace tz::platform
