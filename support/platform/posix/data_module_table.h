// The loaded data modules, which the resource lookups consult before the loader's list, and
// the directory that a lookup reads.
#pragma once

#include "support/platform/resource_directory.h"

namespace tz::platform {

// The resource directory of the data module whose instance handle this is; false when no
// loaded data module has it.
bool dataModuleDirectory(const void* instance, ResourceDirectory& directory);

// The resource directory of a module, loaded or read as data; empty when it has none or the
// handle names no module.
ResourceDirectory resourceDirectoryOf(const void* image);

}  // namespace tz::platform
