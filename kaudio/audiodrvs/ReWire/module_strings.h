// The module's texts by string id, and the conversion of wide text to the 8-bit text that
// goes to the bridge engine and the platform layer (UTF-8 stands in for the code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tz::rewire {

constexpr uint32_t kStringClassName = 1526;
constexpr uint32_t kStringDeviceDriverName = 1527;
constexpr uint32_t kStringExchangeBlockName = 1528;
constexpr uint32_t kStringCompletionEventName = 1529;
constexpr uint32_t kStringRequestEventName = 1530;
constexpr uint32_t kStringDeviceName = 1531;
constexpr uint32_t kStringSignature = 1532;

// The English text of a string id; empty for an id the module does not carry.
std::u16string_view moduleString(uint32_t id);

// Writes text as UTF-8 into out[0..capacity), always zero-terminated when capacity > 0,
// cutting at a character boundary rather than splitting one. Returns the bytes written
// before the terminator.
size_t copyUtf8(std::u16string_view text, char* out, size_t capacity);

}  // namespace tz::rewire
