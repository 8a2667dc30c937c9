// The error handler's message tables: the built-in one, the callers' added ones, and the texts
// of the library's own strings with their English fallbacks.
#pragma once

#include <span>

#include "tz/error_handler.h"

namespace tz::core {

// The built-in table in its documented order (a code listed twice resolves to its first row).
std::span<const TZERRORTABLEENTRY> builtInErrorTable();

// The text of the first row for code (added tables in registration order, then the built-in
// one), or null when there is none or that row has no text.
const WCHAR* findErrorText(HRESULT code);

// A string of the library's own in the module's language; the few texts composition cannot do
// without fall back to English when the module carries no string table, the others to "".
const WCHAR* errorString(UINT id);

}  // namespace tz::core
