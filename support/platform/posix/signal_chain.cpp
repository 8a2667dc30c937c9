#include "support/platform/posix/signal_chain.h"

namespace tz::platform {

std::mutex& signalActionLock() {
  static std::mutex lock;
  return lock;
}

void passToPrevious(const struct sigaction& previous, int signal, siginfo_t* info, void* context) {
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_IGN && previous.sa_handler != SIG_DFL) {
    previous.sa_handler(signal);
  } else {
    // Raised again with the default action: the signal stays blocked until this handler
    // returns, then ends the process. An ignored fault recurs on return, and the kernel then
    // ends the process itself.
    sigaction(signal, &previous, nullptr);
    raise(signal);
  }
}

}  // namespace tz::platform
