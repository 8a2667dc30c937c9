// Loaded PE images: exports by name through the export directory (its name table is sorted,
// as the loader's own lookup assumes), and the file version from the version resource.
#include "support/platform/loaded_image.h"

#include <windows.h>

#include <charconv>
#include <cstring>

#include "support/platform/memory_probe.h"
#include "support/platform/pe_image.h"

namespace tz::platform {
namespace {

constexpr size_t kMaxNameBytes = 256;
constexpr uint32_t kMaxNames = 1u << 16;

template <typename T>
bool read(uintptr_t address, T& value) {
  return readMemory(&value, reinterpret_cast<const void*>(address), sizeof value);
}

// strcmp of name against the exported name at rva; false when that name cannot be read.
bool compareName(const PeImage& image, uint32_t rva, const char* name, size_t nameBytes,
                 int& order) {
  char found[kMaxNameBytes + 1];
  const uint32_t bytes = static_cast<uint32_t>(nameBytes + 1);
  // A name shorter than ours may end nearer the image's end; read what the image holds.
  const uint32_t available = rva < image.size ? image.size - rva : 0;
  const uint32_t length = available < bytes ? available : bytes;
  if (length == 0 || !readMemory(found, reinterpret_cast<const void*>(image.base + rva), length))
    return false;
  order = std::strncmp(name, found, length);
  if (order == 0 && length < bytes) order = 1;  // the stored name runs past the image
  return true;
}

}  // namespace

bool isModuleImage(uintptr_t base) {
  PeImage image;
  return readPeImage(base, image);
}

const void* findImageSymbol(uintptr_t base, const char* name) {
  const size_t nameBytes = name != nullptr ? strnlen(name, kMaxNameBytes + 1) : 0;
  PeImage image;
  IMAGE_EXPORT_DIRECTORY exports;
  if (nameBytes == 0 || nameBytes > kMaxNameBytes || !readPeImage(base, image) ||
      image.exports.size < sizeof exports || !read(base + image.exports.rva, exports) ||
      exports.NumberOfNames > kMaxNames || exports.NumberOfFunctions > kMaxNames ||
      !image.holds(exports.AddressOfNames, exports.NumberOfNames * 4) ||
      !image.holds(exports.AddressOfNameOrdinals, exports.NumberOfNames * 2) ||
      !image.holds(exports.AddressOfFunctions, exports.NumberOfFunctions * 4))
    return nullptr;
  uint32_t low = 0, high = exports.NumberOfNames;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    uint32_t nameRva = 0;
    int order = 0;
    if (!read(base + exports.AddressOfNames + middle * 4, nameRva) ||
        !compareName(image, nameRva, name, nameBytes, order))
      return nullptr;
    if (order < 0) {
      high = middle;
    } else if (order > 0) {
      low = middle + 1;
    } else {
      uint16_t ordinal = 0;
      uint32_t function = 0;
      if (!read(base + exports.AddressOfNameOrdinals + middle * 2, ordinal) ||
          ordinal >= exports.NumberOfFunctions ||
          !read(base + exports.AddressOfFunctions + ordinal * 4u, function) || function == 0 ||
          !image.holds(function, 1))
        return nullptr;
      // An address inside the export directory is a forwarder's text, not code of this image.
      if (function >= image.exports.rva && function - image.exports.rva < image.exports.size)
        return nullptr;
      return reinterpret_cast<const void*>(base + function);
    }
  }
  return nullptr;
}

const void* findStdcallImageSymbol(uintptr_t base, const char* name, uint32_t argumentBytes) {
  const size_t nameBytes = name != nullptr ? strnlen(name, kMaxNameBytes + 1) : 0;
  if (nameBytes == 0 || nameBytes > kMaxNameBytes) return nullptr;
  // "_" name "@" and the decimal count, built in place (to_chars neither allocates nor reads the
  // locale): this runs in crash reports.
  char decorated[kMaxNameBytes + 16];
  decorated[0] = '_';
  std::memcpy(decorated + 1, name, nameBytes);
  decorated[nameBytes + 1] = '@';
  char* const end = decorated + sizeof decorated - 1;
  *std::to_chars(decorated + nameBytes + 2, end, argumentBytes).ptr = '\0';
  const char* const candidates[] = {decorated, decorated + 1, name};
  for (const char* candidate : candidates)
    if (const void* found = findImageSymbol(base, candidate)) return found;
  return nullptr;
}

bool readImageVersion(uintptr_t base, FileVersion& version) {
  PeImage image;
  PeResource resource;
  return readPeImage(base, image) &&
         findPeResource(image, ResourceKey::id(16), ResourceKey::id(1), kAnyLanguage, resource) &&
         versionFromResource(base + resource.rva, resource.size, version);
}

}  // namespace tz::platform
