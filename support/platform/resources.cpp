// Resource lookup in a module's directory; finding the directory is the backend's part.
#include "support/platform/resources.h"

#include <algorithm>
#include <cstring>

namespace tz::platform {

namespace {

uint16_t withSubLanguage(uint16_t language, uint16_t subLanguage) {
  return static_cast<uint16_t>((language & 0x3FF) | subLanguage << 10);
}

const ResourceEntry* findInLanguage(const ResourceDirectory& directory, ResourceKey type,
                                    ResourceKey name, uint16_t language) {
  for (uint16_t candidate : {language, withSubLanguage(language, 0), withSubLanguage(language, 1)})
    if (const ResourceEntry* entry = directory.find(type, name, candidate)) return entry;
  return nullptr;
}

const ResourceEntry* findDefault(const ResourceDirectory& directory, ResourceKey type,
                                 ResourceKey name) {
  for (uint16_t language : {kLanguageNeutral, kLanguageEnglishUs})
    if (const ResourceEntry* entry = directory.find(type, name, language)) return entry;
  return directory.findFirst(type, name);
}

int copyString(const ResourceDirectory& directory, const ResourceEntry* block, uint32_t id,
               char16_t* buffer, int capacity) {
  if (buffer == nullptr || capacity < 1) return 0;
  buffer[0] = u'\0';
  const void* data = block != nullptr ? directory.data(*block) : nullptr;
  const char16_t* text = nullptr;
  size_t length = 0;
  if (data == nullptr || !stringInBlock(data, block->size, id % kStringsPerBlock, text, length))
    return 0;
  const size_t copied = std::min(length, static_cast<size_t>(capacity - 1));
  memcpy(buffer, text, copied * sizeof(char16_t));
  buffer[copied] = u'\0';
  return static_cast<int>(copied);
}

ResourceKey blockOf(uint32_t id) {
  return ResourceKey::id(static_cast<uint16_t>(id / kStringsPerBlock + 1));
}

}  // namespace

const ResourceEntry* findResource(const void* image, ResourceKey type, ResourceKey name,
                                  uint16_t language) {
  return findInLanguage(resourceDirectoryOf(image), type, name, language);
}

const ResourceEntry* findResourceDefault(const void* image, ResourceKey type, ResourceKey name) {
  return findDefault(resourceDirectoryOf(image), type, name);
}

const void* resourceData(const void* image, const ResourceEntry* entry) {
  const ResourceDirectory directory = resourceDirectoryOf(image);
  return directory.holds(entry) ? directory.data(*entry) : nullptr;
}

uint32_t resourceSize(const void* image, const ResourceEntry* entry) {
  return resourceData(image, entry) != nullptr ? entry->size : 0;
}

int loadString(const void* image, uint32_t id, char16_t* buffer, int capacity) {
  if (id > 0xFFFF) return copyString({}, nullptr, id, buffer, capacity);
  const ResourceDirectory directory = resourceDirectoryOf(image);
  return copyString(directory,
                    findDefault(directory, ResourceKey::id(kResourceTypeString), blockOf(id)), id,
                    buffer, capacity);
}

int loadStringInLanguage(const void* image, uint32_t id, uint16_t language, char16_t* buffer,
                         int capacity) {
  if (id > 0xFFFF) return copyString({}, nullptr, id, buffer, capacity);
  const ResourceDirectory directory = resourceDirectoryOf(image);
  return copyString(
      directory,
      findInLanguage(directory, ResourceKey::id(kResourceTypeString), blockOf(id), language), id,
      buffer, capacity);
}

}  // namespace tz::platform
