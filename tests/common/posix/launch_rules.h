// How the system answers a launch of something that is no program.
#pragma once

#include "support/platform/platform_error.h"

namespace tz::test {

// Only files with the execute right are candidates: anything else is not found.
constexpr platform::PlatformError kFolderLaunched = platform::PlatformError::FileNotFound;
constexpr platform::PlatformError kNonExecutableLaunched = platform::PlatformError::FileNotFound;

}  // namespace tz::test
