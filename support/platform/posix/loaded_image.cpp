// 32-bit ELF images in memory. The loader may or may not have relocated the dynamic section's
// pointers in place (it leaves a read-only one alone), so each pointer is taken as an address
// when it lies within the image and as an offset from the load bias otherwise.
#include "support/platform/loaded_image.h"

#include <elf.h>

#include <cstring>

#include "support/platform/memory_probe.h"

namespace tz::platform {
namespace {

constexpr uint32_t kMaxSegments = 64;
constexpr uint32_t kMaxDynamic = 512;
constexpr uint32_t kMaxBuckets = 1u << 20;
constexpr uint32_t kMaxChain = 1u << 16;  // symbols one lookup may visit
constexpr size_t kMaxNameBytes = 256;

template <typename T>
bool read(uintptr_t address, T& value) {
  return readMemory(&value, reinterpret_cast<const void*>(address), sizeof value);
}

// Where the image lies and how its virtual addresses map to ours.
struct Image {
  uintptr_t bias = 0;
  uintptr_t low = 0;  // its span [low, high) in our address space
  uintptr_t high = 0;
  Elf32_Phdr segments[kMaxSegments];
  uint32_t segmentCount = 0;

  bool contains(uintptr_t address, uintptr_t bytes) const {
    return address >= low && address < high && bytes <= high - address;
  }
  // A dynamic-section pointer as an address in our space, or 0 when it lies outside the image.
  uintptr_t pointer(uint32_t value) const {
    if (contains(value, 1)) return value;
    const uintptr_t biased = bias + value;
    return biased >= bias && contains(biased, 1) ? biased : 0;
  }
};

bool readImage(uintptr_t base, Image& image) {
  Elf32_Ehdr header;
  if (!read(base, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS32 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
      header.e_phentsize != sizeof(Elf32_Phdr) || header.e_phnum > kMaxSegments)
    return false;
  image.segmentCount = header.e_phnum;
  const size_t bytes = image.segmentCount * sizeof(Elf32_Phdr);
  if (base + header.e_phoff < base ||
      !readMemory(image.segments, reinterpret_cast<const void*>(base + header.e_phoff), bytes))
    return false;
  // The first loaded segment begins at base; the others follow it.
  bool first = true;
  uintptr_t vaddrLow = 0, vaddrHigh = 0;
  for (uint32_t i = 0; i < image.segmentCount; ++i) {
    const Elf32_Phdr& segment = image.segments[i];
    if (segment.p_type != PT_LOAD) continue;
    const uintptr_t end = uintptr_t{segment.p_vaddr} + segment.p_memsz;
    if (end < segment.p_vaddr) return false;
    if (first) vaddrLow = segment.p_vaddr & ~uintptr_t{0xFFF};
    if (end > vaddrHigh) vaddrHigh = end;
    first = false;
  }
  if (first || vaddrHigh <= vaddrLow || base < vaddrLow) return false;
  image.bias = base - vaddrLow;
  image.low = base;
  image.high = base + (vaddrHigh - vaddrLow);
  return image.high > image.low;
}

struct DynamicTables {
  uintptr_t symbols = 0, strings = 0, gnuHash = 0, hash = 0;
  uint32_t stringBytes = 0;
};

constexpr struct {
  Elf32_Sword tag;
  uintptr_t DynamicTables::*field;
} kPointers[] = {{DT_SYMTAB, &DynamicTables::symbols},
                 {DT_STRTAB, &DynamicTables::strings},
                 {DT_GNU_HASH, &DynamicTables::gnuHash},
                 {DT_HASH, &DynamicTables::hash}};

bool readDynamic(const Image& image, DynamicTables& tables) {
  for (uint32_t i = 0; i < image.segmentCount; ++i) {
    const Elf32_Phdr& segment = image.segments[i];
    if (segment.p_type != PT_DYNAMIC) continue;
    const uintptr_t at = image.bias + segment.p_vaddr;
    const uint32_t count = segment.p_memsz / sizeof(Elf32_Dyn);
    for (uint32_t n = 0; n < count && n < kMaxDynamic; ++n) {
      Elf32_Dyn entry;
      if (!read(at + n * sizeof entry, entry) || entry.d_tag == DT_NULL) break;
      if (entry.d_tag == DT_STRSZ) tables.stringBytes = entry.d_un.d_val;
      for (const auto& [tag, field] : kPointers)
        if (entry.d_tag == tag) tables.*field = image.pointer(entry.d_un.d_ptr);
    }
    break;
  }
  return tables.symbols != 0 && tables.strings != 0 && (tables.gnuHash != 0 || tables.hash != 0);
}

// The symbol's address when symbol `index` is `name` and defined, else 0.
uintptr_t matchSymbol(const Image& image, const DynamicTables& tables, uint32_t index,
                      const char* name, size_t nameBytes) {
  Elf32_Sym symbol;
  if (!read(tables.symbols + index * sizeof symbol, symbol) || symbol.st_shndx == SHN_UNDEF ||
      symbol.st_value == 0)
    return 0;
  if (tables.stringBytes != 0 &&
      (symbol.st_name >= tables.stringBytes || nameBytes + 1 > tables.stringBytes - symbol.st_name))
    return 0;
  char found[kMaxNameBytes + 1];
  if (!readMemory(found, reinterpret_cast<const void*>(tables.strings + symbol.st_name),
                  nameBytes + 1) ||
      std::memcmp(found, name, nameBytes + 1) != 0)
    return 0;
  const uintptr_t address = image.bias + symbol.st_value;
  return image.contains(address, 1) ? address : 0;
}

uintptr_t findGnu(const Image& image, const DynamicTables& tables, const char* name,
                  size_t nameBytes) {
  uint32_t hash = 5381;
  for (size_t i = 0; i < nameBytes; ++i) hash = hash * 33 + static_cast<uint8_t>(name[i]);
  uint32_t header[4];  // buckets, first hashed symbol, bloom words, bloom shift
  if (!read(tables.gnuHash, header) || header[0] == 0 || header[0] > kMaxBuckets ||
      header[2] > kMaxBuckets)
    return 0;
  const uintptr_t buckets = tables.gnuHash + sizeof header + header[2] * sizeof(uint32_t);
  const uintptr_t chains = buckets + header[0] * sizeof(uint32_t);
  uint32_t index = 0;
  if (!read(buckets + (hash % header[0]) * sizeof(uint32_t), index) || index < header[1]) return 0;
  for (uint32_t step = 0; step < kMaxChain; ++step, ++index) {
    uint32_t chain = 0;
    if (!read(chains + (index - header[1]) * sizeof(uint32_t), chain)) return 0;
    if ((chain | 1) == (hash | 1))
      if (const uintptr_t found = matchSymbol(image, tables, index, name, nameBytes)) return found;
    if (chain & 1) return 0;
  }
  return 0;
}

uintptr_t findClassic(const Image& image, const DynamicTables& tables, const char* name,
                      size_t nameBytes) {
  uint32_t hash = 0;
  for (size_t i = 0; i < nameBytes; ++i) {
    hash = (hash << 4) + static_cast<uint8_t>(name[i]);
    const uint32_t high = hash & 0xF0000000;
    hash = (hash ^ (high >> 24)) & ~high;
  }
  uint32_t header[2];  // buckets, chain length (the symbol count)
  if (!read(tables.hash, header) || header[0] == 0 || header[0] > kMaxBuckets) return 0;
  const uintptr_t chains = tables.hash + sizeof header + header[0] * sizeof(uint32_t);
  uint32_t index = 0;
  if (!read(tables.hash + sizeof header + (hash % header[0]) * sizeof(uint32_t), index)) return 0;
  for (uint32_t step = 0; step < kMaxChain && index != STN_UNDEF && index < header[1]; ++step) {
    if (const uintptr_t found = matchSymbol(image, tables, index, name, nameBytes)) return found;
    if (!read(chains + index * sizeof(uint32_t), index)) return 0;
  }
  return 0;
}

// The notes of a segment walked through the probe (a segment may hold megabytes of resources,
// and a damaged one may point anywhere): the loader's rule pads each field to the alignment.
bool findVersionNote(uintptr_t at, uint32_t size, uint32_t step, FileVersion& version) {
  static constexpr char kOwner[] = "TzVersion";
  const auto padded = [step](uint64_t n) { return (n + step - 1) / step * step; };
  for (uint64_t offset = 0; offset < size && size - offset >= 12;) {
    uint32_t header[3];  // name size, descriptor size, type
    if (!readMemory(header, reinterpret_cast<const void*>(at + offset), sizeof header))
      return false;
    const uint64_t descriptor = offset + 12 + padded(header[0]);
    if (descriptor > size || header[1] > size - descriptor) return false;
    char owner[sizeof kOwner];
    uint32_t words[2];
    if (header[2] == 1 && header[0] == sizeof kOwner && header[1] == sizeof words &&
        readMemory(owner, reinterpret_cast<const void*>(at + offset + 12), sizeof owner) &&
        std::memcmp(owner, kOwner, sizeof owner) == 0 &&
        readMemory(words, reinterpret_cast<const void*>(at + descriptor), sizeof words)) {
      version = {words[0], words[1]};
      return true;
    }
    offset = descriptor + padded(header[1]);
  }
  return false;
}

}  // namespace

bool isModuleImage(uintptr_t base) {
  char magic[SELFMAG];
  return readMemory(magic, reinterpret_cast<const void*>(base), sizeof magic) &&
         std::memcmp(magic, ELFMAG, SELFMAG) == 0;
}

const void* findImageSymbol(uintptr_t base, const char* name) {
  const size_t nameBytes = name != nullptr ? strnlen(name, kMaxNameBytes + 1) : 0;
  if (nameBytes == 0 || nameBytes > kMaxNameBytes) return nullptr;
  Image image;
  DynamicTables tables;
  if (!readImage(base, image) || !readDynamic(image, tables)) return nullptr;
  const uintptr_t found = tables.gnuHash != 0 ? findGnu(image, tables, name, nameBytes)
                                              : findClassic(image, tables, name, nameBytes);
  return reinterpret_cast<const void*>(found);
}

const void* findStdcallImageSymbol(uintptr_t base, const char* name, uint32_t) {
  return findImageSymbol(base, name);
}

bool readImageVersion(uintptr_t base, FileVersion& version) {
  Image image;
  if (!readImage(base, image)) return false;
  for (uint32_t i = 0; i < image.segmentCount; ++i) {
    const Elf32_Phdr& segment = image.segments[i];
    const uintptr_t at = image.bias + segment.p_vaddr;
    if (segment.p_type == PT_NOTE && image.contains(at, segment.p_memsz) &&
        findVersionNote(at, segment.p_memsz, segment.p_align == 8 ? 8 : 4, version))
      return true;
  }
  return false;
}

}  // namespace tz::platform
