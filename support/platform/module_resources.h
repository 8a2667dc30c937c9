// What a backend supplies to the resource lookups of resources.h: one module's resources by key,
// where that system keeps them (the resource note of an ELF image, the resource section of a
// PE image). The language rules and string tables above them are portable.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "support/platform/resource_directory.h"

namespace tz::platform {

// The resource of type and name in the first of languages that the module has it in; with
// anyLanguage, failing those, the first language the module has it in. Null when none.
const ResourceEntry* findModuleResource(const void* image, ResourceKey type, ResourceKey name,
                                        std::initializer_list<uint16_t> languages,
                                        bool anyLanguage);
// A resource's data and its size in bytes; null (size 0) when entry is not one of the module's.
const void* moduleResourceData(const void* image, const ResourceEntry* entry, uint32_t& size);

}  // namespace tz::platform
