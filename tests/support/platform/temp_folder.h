// The old include path and name of the scratch folder and the file reader, kept for the
// suites that have not moved to tests/common yet; it goes with its last user.
#pragma once

#include "tests/common/scratch_folder.h"

namespace tz::test {

using TempFolder = ScratchFolder;

}  // namespace tz::test
