// The resource directory reader on any bytes, and lookups in what it accepts: every entry,
// datum and string handed out lies within the bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "support/platform/resource_directory.h"

namespace {

using tz::platform::ResourceDirectory;
using tz::platform::ResourceEntry;
using tz::platform::ResourceKey;

struct Input {
  const uint8_t* data;
  size_t size;

  void expectInside(const void* pointer, size_t bytes) const {
    const auto* at = static_cast<const uint8_t*>(pointer);
    if (at < data || bytes > size || static_cast<size_t>(at - data) > size - bytes) std::abort();
  }
};

// A key as an entry stores it: a number, or for a name the input's last characters (an empty
// input's "X"), so that the fuzzer can make names match.
ResourceKey keyFor(uint32_t stored, const Input& input, char16_t (&name)[8]) {
  if ((stored & tz::platform::kResourceKeyNamed) == 0)
    return ResourceKey::id(static_cast<uint16_t>(stored));
  const size_t characters = std::min<size_t>(input.size / 2, 8);
  if (characters == 0) return ResourceKey::named(u"X");
  memcpy(name, input.data + input.size - 2 * characters, 2 * characters);
  return ResourceKey::named(std::u16string_view(name, characters));
}

void checkEntry(const ResourceDirectory& directory, const ResourceEntry* entry,
                const Input& input) {
  if (entry == nullptr) return;
  input.expectInside(entry, sizeof *entry);
  if (!directory.holds(entry)) std::abort();
  const void* data = directory.data(*entry);
  if (data == nullptr) return;
  input.expectInside(data, entry->size);
  if (entry->type != tz::platform::kResourceTypeString) return;
  for (unsigned index = 0; index < tz::platform::kStringsPerBlock; ++index) {
    const char16_t* text = nullptr;
    size_t length = 0;
    if (tz::platform::stringInBlock(data, entry->size, index, text, length))
      input.expectInside(text, 2 * length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Input input{data, size};
  const ResourceDirectory directory(data, size);
  if (directory.empty()) return 0;
  const uint32_t count = std::min<uint32_t>(directory.entryCount(), 64);
  for (uint32_t i = 0; i < count; ++i) {
    ResourceEntry stored;
    memcpy(&stored, data + sizeof(tz::platform::ResourceDirectoryHeader) + i * sizeof stored,
           sizeof stored);
    char16_t typeName[8], name[8];
    const ResourceKey type = keyFor(stored.type, input, typeName);
    const ResourceKey key = keyFor(stored.name, input, name);
    const ResourceEntry* found = directory.find(type, key, stored.language);
    // A numbered entry is always found again by its own numbers.
    if (found == nullptr && type.isNumber() && key.isNumber() &&
        ((stored.type | stored.name) & 0xFFFF0000u) == 0)
      std::abort();
    checkEntry(directory, found, input);
    checkEntry(directory, directory.findFirst(type, key), input);
  }
  // An address inside the entry table that is no entry's start is none of its entries.
  if (directory.holds(reinterpret_cast<const ResourceEntry*>(data + 9))) std::abort();
  return 0;
}
