// Instance handles and resources through the system: a module handle is where its image
// begins, and its resources are the image's resource section, looked up with FindResourceExW
// and read with LoadResource. A handle is checked to begin a mapped image before the system is
// asked, and an entry to lie in that image's resource section before its data is used.
#include <windows.h>

#include <string>

#include "support/platform/memory_probe.h"
#include "support/platform/module_resources.h"
#include "support/platform/pe_image.h"
#include "support/platform/resources.h"
#include "support/platform/win32/module_files.h"

namespace tz::platform {
namespace {

// A key as the resource calls take it: a number in the pointer, or a terminated name.
const wchar_t* keyText(ResourceKey key, std::wstring& storage) {
  if (key.isNumber()) return MAKEINTRESOURCEW(key.number);
  storage.assign(key.name.begin(), key.name.end());
  return storage.c_str();
}

BOOL CALLBACK firstLanguage(HMODULE, const wchar_t*, const wchar_t*, WORD language,
                            LONG_PTR found) {
  *reinterpret_cast<int*>(found) = language;
  return FALSE;
}

bool mappedImage(const void* image, PeImage& pe) {
  return image != nullptr && readPeImage(imageBase(image), pe);
}

}  // namespace

const void* imageOf(const void* address) {
  HMODULE module = nullptr;
  return GetModuleHandleExW(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             static_cast<const wchar_t*>(address), &module)
             ? module
             : nullptr;
}

std::string imagePath(const void* image) {
  return image != nullptr && imageOf(image) == image
             ? moduleFileName(static_cast<HMODULE>(const_cast<void*>(image)))
             : std::string();
}

const ResourceEntry* findModuleResource(const void* image, ResourceKey type, ResourceKey name,
                                        std::initializer_list<uint16_t> languages,
                                        bool anyLanguage) {
  PeImage pe;
  if (!mappedImage(image, pe)) return nullptr;
  const auto module = static_cast<HMODULE>(const_cast<void*>(image));
  std::wstring typeStorage, nameStorage;
  const wchar_t* typeKey = keyText(type, typeStorage);
  const wchar_t* nameKey = keyText(name, nameStorage);
  for (uint16_t language : languages)
    if (HRSRC found = FindResourceExW(module, typeKey, nameKey, language))
      return reinterpret_cast<const ResourceEntry*>(found);
  int first = -1;
  if (!anyLanguage || (EnumResourceLanguagesW(module, typeKey, nameKey, firstLanguage,
                                              reinterpret_cast<LONG_PTR>(&first)),
                       first < 0))
    return nullptr;
  return reinterpret_cast<const ResourceEntry*>(
      FindResourceExW(module, typeKey, nameKey, static_cast<WORD>(first)));
}

const void* moduleResourceData(const void* image, const ResourceEntry* entry, uint32_t& size) {
  size = 0;
  PeImage pe;
  IMAGE_RESOURCE_DATA_ENTRY data;
  if (entry == nullptr || !mappedImage(image, pe) || pe.resources.size < sizeof data)
    return nullptr;
  const uintptr_t section = pe.base + pe.resources.rva;
  const auto at = reinterpret_cast<uintptr_t>(entry);
  if (at < section || at - section > pe.resources.size - sizeof data || at % 4 != 0 ||
      !readMemory(&data, entry, sizeof data) || !pe.holds(data.OffsetToData, data.Size))
    return nullptr;
  const auto module = static_cast<HMODULE>(const_cast<void*>(image));
  const auto resource = reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
  const void* bytes = LockResource(LoadResource(module, resource));
  if (bytes == nullptr || !isReadable(bytes, data.Size)) return nullptr;
  size = data.Size;
  return bytes;
}

}  // namespace tz::platform
