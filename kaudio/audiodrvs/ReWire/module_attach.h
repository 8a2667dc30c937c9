// What the library does when a process loads and unloads it (process attach and detach).
// Programs that link the driver's objects directly, as its tests do, call the same.
#pragma once

namespace tz::rewire {

// Detects processor support, moves the timers to the best clock, opens the module's language
// context over the resources of the module holding this code (and the "LNG" file beside it),
// sets the two help-file paths, then reads the locale settings.
void attachModule();
// Closes the module's language context.
void detachModule();

}  // namespace tz::rewire
