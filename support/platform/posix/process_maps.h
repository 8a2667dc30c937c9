// This process's address-space map (/proc/self/maps), read with plain system calls into a
// stack buffer and fed to the parser as it is read.
#pragma once

#include "support/platform/maps_parser.h"

namespace tz::platform {

// Feeds this process's map through the parser; false when it cannot be read.
bool readProcessMaps(MapsParser& parser);

}  // namespace tz::platform
