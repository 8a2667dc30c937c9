// What the module services share on Windows: the loader's failures in the layer's terms, a
// module's file name, and module files mapped as data (never run) for their resources.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

// A failed load's code as the layer reports it: every "not an image of this kind" is BadFormat,
// every shortage of address space NotEnoughMemory; the rest passes through.
PlatformError loaderError(DWORD code);

// The full path of a loaded module's file in UTF-8; empty when the handle names none.
std::string moduleFileName(HMODULE module);

// A handle's image: the loader tags the handles of data files in their low bits.
inline uintptr_t imageBase(const void* module) {
  return reinterpret_cast<uintptr_t>(module) & ~uintptr_t{3};
}

// Maps the module file at path as an image for its resources only (no code runs, nothing it
// imports is loaded): FileNotFound, PathNotFound or AccessDenied when it cannot be opened,
// BadFormat when it is no regular file, is larger than maxBytes, is no PE image of this
// architecture or is shorter than its sections declare. Free the module with FreeLibrary.
PlatformError loadDataFile(std::string_view path, uint64_t maxBytes, HMODULE& module);

}  // namespace tz::platform
