// Resources of loaded modules, as the original platform's FindResourceEx, FindResource,
// LoadResource, SizeofResource and LoadString offer them. A module is named by its instance
// handle: the address at which its image begins, or a data module's (data_module.h); the
// module must stay loaded while its resources are used. A found entry is a handle: its fields are
// the system's (an ELF module's directory entry, a PE module's data entry), so read it only
// through resourceData and resourceSize. Not for the audio path: a lookup walks
// the table of data modules and the loader's module list.
#pragma once

#include <cstdint>
#include <string>

#include "support/platform/resource_directory.h"

namespace tz::platform {

constexpr uint16_t kLanguageNeutral = 0x0000;
constexpr uint16_t kLanguageEnglishUs = 0x0409;

// The instance handle of the loaded module whose image holds address; null when none does.
const void* imageOf(const void* address);
// The full path of the module an instance handle names; empty when no module begins there.
std::string imagePath(const void* image);

// The resource in a language: exactly that one, else the same primary language with the
// neutral sub-language, else with the default sub-language. Null when none is found.
const ResourceEntry* findResource(const void* image, ResourceKey type, ResourceKey name,
                                  uint16_t language);
// The resource in the default order of the ordinary loaders: neutral, English (United
// States), then the first language the module carries.
const ResourceEntry* findResourceDefault(const void* image, ResourceKey type, ResourceKey name);
// A resource's data and size; null and 0 when the entry is not one of that module's.
const void* resourceData(const void* image, const ResourceEntry* entry);
uint32_t resourceSize(const void* image, const ResourceEntry* entry);

// The ordinary string loader: string id from the module's string table in the default order,
// at most capacity - 1 characters, always terminated. Returns the characters copied, 0 when
// the string is missing or empty (or capacity < 1, when nothing is written).
int loadString(const void* image, uint32_t id, char16_t* buffer, int capacity);
// The same from one string table of the module, the language chosen as findResource does.
int loadStringInLanguage(const void* image, uint32_t id, uint16_t language, char16_t* buffer,
                         int capacity);

}  // namespace tz::platform
