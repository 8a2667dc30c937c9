// The registry's rules for names, paths and sizes, which every backend checks before it goes to
// its store, so that a malformed name gets the same status everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/platform/platform_error.h"

namespace tz::platform::registry {

constexpr size_t MaxKeyNameUnits = 255;
constexpr size_t MaxValueNameUnits = 16383;
// The most one value holds; a larger one would not fit the store of files in its widest form.
constexpr uint32_t MaxValueBytes = 1 << 20;

// Valid UTF-8 without NUL and at most `maxUnits` UTF-16 units long.
bool isValidName(std::string_view name, size_t maxUnits);
// Splits a key path into names; one trailing '\' is allowed. InvalidParameter when a name is
// empty or not valid.
PlatformError splitKeyPath(std::string_view path, std::vector<std::string_view>& names);

}  // namespace tz::platform::registry
