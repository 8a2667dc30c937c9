#include "support/platform/word_wait.h"

#include <windows.h>

namespace tz::platform {

void waitOnWord(uint32_t* word, uint32_t expected) {
  WaitOnAddress(word, &expected, sizeof expected, INFINITE);
}

void wakeOneOnWord(uint32_t* word) {
  WakeByAddressSingle(word);
}

}  // namespace tz::platform
