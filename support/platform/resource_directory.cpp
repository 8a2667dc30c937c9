// Reading a resource directory with every offset checked against its size.
#include "support/platform/resource_directory.h"

#include <cstring>

namespace tz::platform {

namespace {

char16_t upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

ResourceDirectory::ResourceDirectory(const void* bytes, size_t size) {
  ResourceDirectoryHeader header{};
  if (bytes == nullptr || size < sizeof header) return;
  memcpy(&header, bytes, sizeof header);
  if (header.magic != kResourceMagic) return;
  if (header.entryCount > (size - sizeof header) / sizeof(ResourceEntry)) return;
  if (reinterpret_cast<uintptr_t>(bytes) % alignof(ResourceEntry) != 0) return;
  bytes_ = static_cast<const uint8_t*>(bytes);
  size_ = size;
  entries_ = reinterpret_cast<const ResourceEntry*>(bytes_ + sizeof header);
  count_ = header.entryCount;
}

bool ResourceDirectory::matches(uint32_t key, ResourceKey wanted) const {
  if ((key & kResourceKeyNamed) == 0) return wanted.isNumber() && key == wanted.number;
  if (wanted.isNumber()) return false;
  const size_t offset = key & ~kResourceKeyNamed;
  uint16_t length = 0;
  if (offset > size_ || size_ - offset < sizeof length) return false;
  memcpy(&length, bytes_ + offset, sizeof length);
  if (length != wanted.name.size() || (size_ - offset - sizeof length) / 2 < length) return false;
  for (size_t i = 0; i < length; ++i) {
    char16_t stored = 0;
    memcpy(&stored, bytes_ + offset + sizeof length + 2 * i, sizeof stored);
    if (upper(stored) != upper(wanted.name[i])) return false;
  }
  return true;
}

const ResourceEntry* ResourceDirectory::find(ResourceKey type, ResourceKey name,
                                             uint16_t language) const {
  for (uint32_t i = 0; i < count_; ++i) {
    const ResourceEntry& entry = entries_[i];
    if (entry.language == language && matches(entry.type, type) && matches(entry.name, name))
      return &entry;
  }
  return nullptr;
}

const ResourceEntry* ResourceDirectory::findFirst(ResourceKey type, ResourceKey name) const {
  for (uint32_t i = 0; i < count_; ++i)
    if (matches(entries_[i].type, type) && matches(entries_[i].name, name)) return &entries_[i];
  return nullptr;
}

bool ResourceDirectory::holds(const ResourceEntry* entry) const {
  if (entry == nullptr || entries_ == nullptr) return false;
  const auto address = reinterpret_cast<uintptr_t>(entry);
  const auto first = reinterpret_cast<uintptr_t>(entries_);
  return address >= first && address < first + count_ * sizeof(ResourceEntry) &&
         (address - first) % sizeof(ResourceEntry) == 0;
}

const void* ResourceDirectory::data(const ResourceEntry& entry) const {
  if (!holds(&entry) || entry.offset > size_ || size_ - entry.offset < entry.size) return nullptr;
  return bytes_ + entry.offset;
}

bool stringInBlock(const void* block, size_t size, unsigned index, const char16_t*& text,
                   size_t& length) {
  // Characters are read in place, so the block must be aligned for them.
  if (block == nullptr || index >= kStringsPerBlock ||
      reinterpret_cast<uintptr_t>(block) % alignof(char16_t) != 0)
    return false;
  const auto* bytes = static_cast<const uint8_t*>(block);
  size_t at = 0;
  for (unsigned i = 0;; ++i) {
    uint16_t count = 0;
    if (size - at < sizeof count) return false;
    memcpy(&count, bytes + at, sizeof count);
    at += sizeof count;
    if ((size - at) / 2 < count) return false;
    if (i == index) {
      text = reinterpret_cast<const char16_t*>(bytes + at);
      length = count;
      return true;
    }
    at += 2u * count;
  }
}

}  // namespace tz::platform
