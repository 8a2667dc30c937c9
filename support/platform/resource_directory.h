// A module's resources as the resource compiler lays them out and the loader reads them: one
// ELF note (owner "TzResource", type 1, allocated so that it is mapped with the image) whose
// descriptor is a resource directory. The directory starts with a header and its entries;
// names and data follow, each 4-byte aligned. Offsets count from the start of the directory.
//
// A type or name key below 0x10000 is a number; kResourceKeyNamed | offset is a name, stored at
// offset as a 16-bit length and that many UTF-16 characters, in upper case. String tables are
// type 6: block n holds ids (n - 1) * 16 to n * 16 - 1 as 16 counted strings (a 16-bit length,
// then the characters, no terminator), the layout of the original platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tz::platform {

inline constexpr char kResourceNoteOwner[] = "TzResource";
constexpr uint32_t kResourceNoteType = 1;
constexpr uint32_t kResourceMagic = 0x31525A54;  // "TZR1" in memory order
constexpr uint32_t kResourceKeyNamed = 0x80000000;
constexpr uint16_t kResourceTypeString = 6;
constexpr uint16_t kStringsPerBlock = 16;

struct ResourceDirectoryHeader {
  uint32_t magic;
  uint32_t entryCount;
};
static_assert(sizeof(ResourceDirectoryHeader) == 8);

struct ResourceEntry {
  uint32_t type;
  uint32_t name;
  uint16_t language;
  uint16_t reserved;
  uint32_t offset;
  uint32_t size;
};
static_assert(sizeof(ResourceEntry) == 20 && offsetof(ResourceEntry, offset) == 12);

// A type or name to look for: a number, or a name compared without regard to case.
struct ResourceKey {
  uint16_t number = 0;
  std::u16string_view name;  // empty for a number

  static ResourceKey id(uint16_t value) { return {value, {}}; }
  static ResourceKey named(std::u16string_view text) { return {0, text}; }
  bool isNumber() const { return name.empty(); }
};

// A checked view of a directory in memory: nothing is read outside the bytes it was given, so
// a damaged module file yields no resources rather than a fault.
class ResourceDirectory {
 public:
  ResourceDirectory() = default;
  // An empty view when the bytes do not start with a well-formed header and entry table.
  ResourceDirectory(const void* bytes, size_t size);

  bool empty() const { return entries_ == nullptr; }
  uint32_t entryCount() const { return count_; }
  // The entry of type and name in exactly that language, or null.
  const ResourceEntry* find(ResourceKey type, ResourceKey name, uint16_t language) const;
  // The first entry of type and name in any language, or null.
  const ResourceEntry* findFirst(ResourceKey type, ResourceKey name) const;
  // True when entry is one of this directory's entries.
  bool holds(const ResourceEntry* entry) const;
  // An entry's data, or null when it lies outside the directory.
  const void* data(const ResourceEntry& entry) const;

 private:
  bool matches(uint32_t key, ResourceKey wanted) const;

  const uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  const ResourceEntry* entries_ = nullptr;
  uint32_t count_ = 0;
};

// The string at index (0..15) of a string-table block: its characters and length, or false
// when the block is too short to hold it.
bool stringInBlock(const void* block, size_t size, unsigned index, const char16_t*& text,
                   size_t& length);

}  // namespace tz::platform
