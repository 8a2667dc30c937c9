// How the system answers a launch of something that is no program.
#pragma once

#include "support/platform/platform_error.h"

namespace tz::test {

// There is no execute right: a file named with its folder is tried as it is and refused as no
// program; a folder cannot be opened as one.
constexpr platform::PlatformError kFolderLaunched = platform::PlatformError::AccessDenied;
constexpr platform::PlatformError kNonExecutableLaunched = platform::PlatformError::BadExeFormat;

}  // namespace tz::test
