// The loaded data modules, which the resource lookups consult before the loader's list.
#pragma once

#include "support/platform/resource_directory.h"

namespace tz::platform {

// The resource directory of the data module whose instance handle this is; false when no
// loaded data module has it.
bool dataModuleDirectory(const void* instance, ResourceDirectory& directory);

}  // namespace tz::platform
