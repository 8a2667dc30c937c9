// Reads a loaded module's image in memory, where the crash report finds the outside report
// module's function and the library's own version. The image is taken as hostile: every read
// goes through the memory probe and every offset, count and chain is bounded, so a damaged
// image gives "not found", never a fault or an endless walk. No allocation, no lock; safe in a
// signal handler.
#pragma once

#include <cstdint>

#include "support/platform/module.h"

namespace tz::platform {

// True when base holds the header of an image of this system (ELF; PE on Windows).
bool isModuleImage(uintptr_t base);

// The address of the symbol `name` that the image at base defines, found through its dynamic
// symbol table and hash table (GNU or classic), or its export directory on Windows; null when
// there is none. Only the bytes of the image are read, not the loader's lists, so no loader
// lock is taken.
const void* findImageSymbol(uintptr_t base, const char* name);

// The address of the stdcall function `name`, which takes argumentBytes bytes of arguments, that
// the image at base exports, under whichever name this system's modules give it: on Windows the
// decorated "_name@N" (as MSVC exports it), else "name@N" (MinGW's), else the plain name (a .def
// file's); elsewhere the plain name, since a decorated one cannot be an ELF symbol. Null when
// there is none. As findImageSymbol: no allocation, no lock.
const void* findStdcallImageSymbol(uintptr_t base, const char* name, uint32_t argumentBytes);

// The version of the image at base, from its TzVersion note (its version resource on
// Windows); false when it carries none.
bool readImageVersion(uintptr_t base, FileVersion& version);

}  // namespace tz::platform
