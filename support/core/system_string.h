// Strings of the system string type (tz/system_string.h) for the library's exports.
#pragma once

#include <string_view>

#include "tz/system_string.h"

namespace tz::core {

// A new system string holding text; null when memory runs out or text cannot be measured in
// a 32-bit byte count.
BSTR allocSystemString(std::u16string_view text);

// The same, of length characters left for the caller to fill (the terminator is written).
BSTR allocSystemString(size_t length);

}  // namespace tz::core
