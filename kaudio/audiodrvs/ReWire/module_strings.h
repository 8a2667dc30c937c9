// The module's texts by string id, through the module's language context, and the conversion
// of wide text to the 8-bit text that goes to the bridge engine and the platform layer (UTF-8
// stands in for the code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kaudio/audiodrvs/ReWire/resources/resource.h"

namespace tz::rewire {

// The text of a string id in the module's current language; empty for an id the module does
// not carry. It stays valid until the module's language changes.
std::u16string_view moduleString(uint32_t id);

// Writes text as UTF-8 into out[0..capacity), always zero-terminated when capacity > 0,
// cutting at a character boundary rather than splitting one. Returns the bytes written
// before the terminator.
size_t copyUtf8(std::u16string_view text, char* out, size_t capacity);

}  // namespace tz::rewire
