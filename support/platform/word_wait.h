// Sleeping on a 32-bit word of this process until another thread changes it: the system's
// address wait, which the process-local locks are built on.
#pragma once

#include <cstdint>

namespace tz::platform {

// Sleeps while *word == expected; may also return early, so callers check again.
void waitOnWord(uint32_t* word, uint32_t expected);
// Wakes one thread sleeping on word.
void wakeOneOnWord(uint32_t* word);

}  // namespace tz::platform
