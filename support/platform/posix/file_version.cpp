// A module file's version from its "TzVersion" note: looked for in the note segments first
// (what a loaded image carries), then in the note sections. Only the headers and the notes
// are read, and every offset and size from the file is checked before it is used.
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "support/platform/module.h"

namespace tz::platform {

namespace {

constexpr char kOwner[] = "TzVersion";
constexpr uint32_t kVersionType = 1;
constexpr uint64_t kMaxNotesBytes = 64 * 1024;  // real note regions are far smaller

struct Region {
  uint64_t offset;
  uint64_t size;
  uint32_t align;
};

class ElfReader {
 public:
  explicit ElfReader(int fd, uint64_t size) : fd_(fd), size_(size) {}

  bool read(void* to, uint64_t bytes, uint64_t at) const {
    if (at > size_ || bytes > size_ - at) return false;
    return pread(fd_, to, bytes, static_cast<off_t>(at)) == static_cast<ssize_t>(bytes);
  }

  template <typename Header>
  bool readTable(uint32_t offset, uint16_t count, uint16_t entrySize,
                 std::vector<Header>& out) const {
    if (count == 0) return true;
    if (entrySize != sizeof(Header)) return false;
    out.resize(count);
    return read(out.data(), uint64_t{count} * sizeof(Header), offset);
  }

 private:
  int fd_;
  uint64_t size_;
};

bool findInNotes(const std::vector<unsigned char>& notes, uint32_t align, FileVersion& version) {
  const uint64_t step = align == 8 ? 8 : 4;
  const auto padded = [step](uint64_t n) { return (n + step - 1) / step * step; };
  uint64_t at = 0;
  while (at + 12 <= notes.size()) {
    uint32_t word[3];  // name size, descriptor size, type
    memcpy(word, &notes[at], sizeof word);
    const uint64_t nameAt = at + 12;
    const uint64_t descAt = nameAt + padded(word[0]);
    if (descAt + word[1] > notes.size()) return false;
    if (word[2] == kVersionType && word[0] == sizeof kOwner && word[1] == 8 &&
        memcmp(&notes[nameAt], kOwner, sizeof kOwner) == 0) {
      uint32_t desc[2];
      memcpy(desc, &notes[descAt], sizeof desc);
      version = {desc[0], desc[1]};
      return true;
    }
    at = descAt + padded(word[1]);
  }
  return false;
}

bool findInRegions(const ElfReader& file, const std::vector<Region>& regions,
                   FileVersion& version) {
  for (const Region& region : regions) {
    if (region.size > kMaxNotesBytes) continue;
    std::vector<unsigned char> notes(region.size);
    if (file.read(notes.data(), region.size, region.offset) &&
        findInNotes(notes, region.align, version))
      return true;
  }
  return false;
}

PlatformError readVersion(const ElfReader& file, FileVersion& version) {
  Elf32_Ehdr header;
  if (!file.read(&header, sizeof header, 0) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS32 || header.e_ident[EI_DATA] != ELFDATA2LSB)
    return PlatformError::BadFormat;
  std::vector<Elf32_Phdr> segments;
  std::vector<Elf32_Shdr> sections;
  if (!file.readTable(header.e_phoff, header.e_phnum, header.e_phentsize, segments))
    segments.clear();
  if (!file.readTable(header.e_shoff, header.e_shnum, header.e_shentsize, sections))
    sections.clear();
  std::vector<Region> regions;
  for (const Elf32_Phdr& s : segments)
    if (s.p_type == PT_NOTE) regions.push_back({s.p_offset, s.p_filesz, s.p_align});
  if (findInRegions(file, regions, version)) return PlatformError::Success;
  regions.clear();
  for (const Elf32_Shdr& s : sections)
    if (s.sh_type == SHT_NOTE) regions.push_back({s.sh_offset, s.sh_size, s.sh_addralign});
  if (findInRegions(file, regions, version)) return PlatformError::Success;
  return PlatformError::ResourceTypeNotFound;
}

}  // namespace

PlatformError readFileVersion(std::string_view path, FileVersion& version) {
  const int fd = open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errorFromErrno(errno);
  struct stat info {};
  PlatformError result = PlatformError::BadFormat;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    FileVersion found;
    result = readVersion(ElfReader(fd, static_cast<uint64_t>(info.st_size)), found);
    if (result == PlatformError::Success) version = found;
  }
  close(fd);
  return result;
}

}  // namespace tz::platform
