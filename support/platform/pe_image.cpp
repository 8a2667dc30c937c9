// The resource section is a tree of three levels (type, name, language) whose offsets count
// from the section's start; the leaves hold image offsets of the data. Each is checked before
// it is followed, and a tree that loops is cut by its depth.
#include "support/platform/pe_image.h"

#include <cstddef>
#include <string>

#include "support/platform/memory_probe.h"
#include "support/platform/pe_format.h"

namespace tz::platform {
namespace {

constexpr uint32_t kSubdirectory = 0x80000000;
constexpr uint32_t kNamed = 0x80000000;
constexpr uint32_t kMaxCheckedEntries = 1u << 16;
constexpr uint32_t kVersionSignature = 0xFEEF04BD;

template <typename T>
bool read(uintptr_t address, T& value) {
  return readMemory(&value, reinterpret_cast<const void*>(address), sizeof value);
}

char16_t upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

struct Section {
  uintptr_t start;
  uint32_t size;

  bool holds(uint32_t offset, uint32_t bytes) const {
    return offset <= size && bytes <= size - offset;
  }
  // The entries of the directory at offset; false when it does not fit in the section.
  bool entries(uint32_t offset, uint32_t& count) const {
    pe::ResourceDirectory directory;
    if (!holds(offset, sizeof directory) || !read(start + offset, directory)) return false;
    count = uint32_t{directory.numberOfNamedEntries} + directory.numberOfIdEntries;
    return (size - offset - sizeof directory) / sizeof(pe::ResourceDirectoryEntry) >= count;
  }
  bool entry(uint32_t directory, uint32_t index, pe::ResourceDirectoryEntry& found) const {
    return read(start + directory + sizeof(pe::ResourceDirectory) + index * sizeof found, found);
  }
  bool nameFits(uint32_t field) const {
    const uint32_t offset = field & ~kNamed;
    uint16_t length = 0;
    return (field & kNamed) == 0 || (holds(offset, sizeof length) && read(start + offset, length) &&
                                     holds(offset + sizeof length, 2u * length));
  }
  bool nameMatches(uint32_t field, ResourceKey key) const {
    if ((field & kNamed) == 0) return key.isNumber() && field == key.number;
    if (key.isNumber()) return false;
    const uint32_t offset = field & ~kNamed;
    uint16_t length = 0;
    if (!holds(offset, sizeof length) || !read(start + offset, length) ||
        length != key.name.size() || !holds(offset + sizeof length, 2u * length))
      return false;
    for (uint32_t i = 0; i < length; ++i) {
      char16_t stored = 0;
      if (!read(start + offset + sizeof length + 2 * i, stored) ||
          upper(stored) != upper(key.name[i]))
        return false;
    }
    return true;
  }
  // The offset that the first entry of the directory matching key (any entry for a null key)
  // leads to: a subdirectory when one is wanted, else a data entry.
  bool child(uint32_t directory, const ResourceKey* key, bool wantDirectory,
             uint32_t& offset) const {
    uint32_t count = 0;
    if (!entries(directory, count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      pe::ResourceDirectoryEntry found;
      if (!entry(directory, i, found)) return false;
      if (key != nullptr && !nameMatches(found.name, *key)) continue;
      if (((found.offsetToData & kSubdirectory) != 0) != wantDirectory) return false;
      offset = found.offsetToData & ~kSubdirectory;
      return true;
    }
    return false;
  }
};

bool readDataEntry(const PeImage& image, const Section& section, uint32_t offset,
                   PeResource& found) {
  pe::ResourceDataEntry data;
  if (offset % 4 != 0 || !section.holds(offset, sizeof data) ||
      !read(section.start + offset, data) || !image.holds(data.offsetToData, data.size))
    return false;
  found = {section.start + offset, data.offsetToData, data.size};
  return true;
}

// Walks the tree below directory; budget bounds the entries visited in all.
PlatformError checkLevel(const PeImage& image, const Section& section, uint32_t directory,
                         int level, uint32_t& budget) {
  uint32_t count = 0;
  if (!section.entries(directory, count) || count > budget) return PlatformError::BadFormat;
  budget -= count;
  for (uint32_t i = 0; i < count; ++i) {
    pe::ResourceDirectoryEntry found;
    if (!section.entry(directory, i, found) || !section.nameFits(found.name))
      return PlatformError::BadFormat;
    const bool isDirectory = (found.offsetToData & kSubdirectory) != 0;
    const uint32_t offset = found.offsetToData & ~kSubdirectory;
    PeResource data;
    if (isDirectory != (level < 2)) return PlatformError::BadFormat;
    const PlatformError below = isDirectory ? checkLevel(image, section, offset, level + 1, budget)
                                : readDataEntry(image, section, offset, data)
                                    ? PlatformError::Success
                                    : PlatformError::BadFormat;
    if (below != PlatformError::Success) return below;
  }
  return PlatformError::Success;
}

}  // namespace

bool readPeImage(uintptr_t base, PeImage& image) {
  pe::DosHeader dos;
  if (base == 0 || !read(base, dos) || dos.magic != pe::kDosSignature || dos.newHeaderOffset < 0 ||
      dos.newHeaderOffset > 0x10000)
    return false;
  pe::NtHeaders32 headers;
  const pe::OptionalHeader32& optional = headers.optionalHeader;
  if (!read(base + dos.newHeaderOffset, headers) || headers.signature != pe::kNtSignature ||
      headers.fileHeader.machine != pe::kMachineI386 ||
      optional.magic != pe::kOptionalHeader32Magic || base + optional.sizeOfImage < base)
    return false;
  image = {base, optional.sizeOfImage, {}, {}};
  // The directories that the optional header really holds.
  const uint32_t room =
      headers.fileHeader.sizeOfOptionalHeader > offsetof(pe::OptionalHeader32, dataDirectory)
          ? (headers.fileHeader.sizeOfOptionalHeader -
             offsetof(pe::OptionalHeader32, dataDirectory)) /
                sizeof(pe::DataDirectory)
          : 0;
  const auto directory = [&](uint32_t index) {
    const pe::DataDirectory& entry = optional.dataDirectory[index];
    if (index >= optional.numberOfRvaAndSizes || index >= room || entry.size == 0 ||
        !image.holds(entry.virtualAddress, entry.size))
      return PeDirectory{};
    return PeDirectory{entry.virtualAddress, entry.size};
  };
  image.exports = directory(pe::kExportDirectory);
  image.resources = directory(pe::kResourceDirectory);
  return true;
}

bool findPeResource(const PeImage& image, ResourceKey type, ResourceKey name, int language,
                    PeResource& found) {
  if (image.resources.size == 0) return false;
  const Section section{image.base + image.resources.rva, image.resources.size};
  const ResourceKey languageKey = ResourceKey::id(static_cast<uint16_t>(language));
  uint32_t names = 0, languages = 0, data = 0;
  return section.child(0, &type, true, names) && section.child(names, &name, true, languages) &&
         section.child(languages, language == kAnyLanguage ? nullptr : &languageKey, false, data) &&
         readDataEntry(image, section, data, found);
}

PlatformError checkPeResources(const PeImage& image) {
  if (image.resources.size == 0) return PlatformError::ResourceTypeNotFound;
  const Section section{image.base + image.resources.rva, image.resources.size};
  uint32_t count = 0;
  if (!section.entries(0, count)) return PlatformError::BadFormat;
  if (count == 0) return PlatformError::ResourceTypeNotFound;
  uint32_t budget = kMaxCheckedEntries;
  return checkLevel(image, section, 0, 0, budget);
}

bool versionFromResource(uintptr_t data, uint32_t size, FileVersion& version) {
  // VS_VERSIONINFO: three 16-bit words, the key and its terminator, padding to 4 bytes, then
  // the fixed part.
  static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
  constexpr uint32_t kFixedAt = (6 + sizeof kKey + 3) / 4 * 4;
  uint16_t header[3];
  char16_t key[sizeof kKey / 2];
  pe::FixedFileInfo fixed;
  if (size < kFixedAt + sizeof fixed || !read(data, header) || header[0] > size ||
      header[1] < sizeof fixed || !read(data + 6, key) ||
      std::char_traits<char16_t>::compare(key, kKey, sizeof kKey / 2) != 0 ||
      !read(data + kFixedAt, fixed) || fixed.signature != kVersionSignature)
    return false;
  version = {fixed.fileVersionMS, fixed.fileVersionLS};
  return true;
}

}  // namespace tz::platform
