// Private futexes: the word is only ever shared by the threads of one process.
#include "support/platform/word_wait.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tz::platform {

void waitOnWord(uint32_t* word, uint32_t expected) {
  syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void wakeOneOnWord(uint32_t* word) {
  syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace tz::platform
