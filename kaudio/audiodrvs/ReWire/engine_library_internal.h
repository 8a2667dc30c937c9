// What the engine tables need from the engine module beyond the public binding calls.
#pragma once

#include <mutex>

namespace tz::rewire {

// Held around every change of the binding state. Recursive, since opening a table loads
// the module under the same lock.
std::recursive_mutex& bindingLock();
// An engine function by name; null when missing or when no engine is loaded.
void* engineSymbol(const char* name);

}  // namespace tz::rewire
