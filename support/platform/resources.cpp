// The language rules and string tables of the resource lookups; finding one module's resource
// is the backend's part (module_resources.h).
#include "support/platform/resources.h"

#include <algorithm>
#include <cstring>

#include "support/platform/module_resources.h"

namespace tz::platform {

namespace {

uint16_t withSubLanguage(uint16_t language, uint16_t subLanguage) {
  return static_cast<uint16_t>((language & 0x3FF) | subLanguage << 10);
}

int copyString(const void* image, const ResourceEntry* block, uint32_t id, char16_t* buffer,
               int capacity) {
  if (buffer == nullptr || capacity < 1) return 0;
  buffer[0] = u'\0';
  uint32_t size = 0;
  const void* data = block != nullptr ? moduleResourceData(image, block, size) : nullptr;
  const char16_t* text = nullptr;
  size_t length = 0;
  if (data == nullptr || !stringInBlock(data, size, id % kStringsPerBlock, text, length)) return 0;
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
  return findModuleResource(image, type, name,
                            {language, withSubLanguage(language, 0), withSubLanguage(language, 1)},
                            false);
}

const ResourceEntry* findResourceDefault(const void* image, ResourceKey type, ResourceKey name) {
  return findModuleResource(image, type, name, {kLanguageNeutral, kLanguageEnglishUs}, true);
}

const void* resourceData(const void* image, const ResourceEntry* entry) {
  uint32_t size = 0;
  return moduleResourceData(image, entry, size);
}

uint32_t resourceSize(const void* image, const ResourceEntry* entry) {
  uint32_t size = 0;
  moduleResourceData(image, entry, size);
  return size;
}

int loadString(const void* image, uint32_t id, char16_t* buffer, int capacity) {
  const ResourceEntry* block =
      id <= 0xFFFF ? findResourceDefault(image, ResourceKey::id(kResourceTypeString), blockOf(id))
                   : nullptr;
  return copyString(image, block, id, buffer, capacity);
}

int loadStringInLanguage(const void* image, uint32_t id, uint16_t language, char16_t* buffer,
                         int capacity) {
  const ResourceEntry* block =
      id <= 0xFFFF
          ? findResource(image, ResourceKey::id(kResourceTypeString), blockOf(id), language)
          : nullptr;
  return copyString(image, block, id, buffer, capacity);
}

}  // namespace tz::platform
