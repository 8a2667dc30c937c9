// Fault guard on signals: SIGILL, SIGSEGV, SIGBUS and SIGFPE jump back to the guard of the
// faulting thread; a signal in a thread without a guard goes to the handler that was there.
#include "support/platform/fault_guard.h"

#include <setjmp.h>
#include <signal.h>

#include "support/platform/posix/signal_chain.h"

namespace tz::platform {
namespace {

constexpr int kSignals[] = {SIGILL, SIGSEGV, SIGBUS, SIGFPE};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

thread_local sigjmp_buf* guardJump = nullptr;
struct sigaction previous[kSignalCount];

void onFault(int signal, siginfo_t* info, void* context) {
  if (guardJump != nullptr) siglongjmp(*guardJump, 1);
  for (int i = 0; i < kSignalCount; ++i)
    if (kSignals[i] == signal) passToPrevious(previous[i], signal, info, context);
}

}  // namespace

bool runCatchingFaults(void (*probe)(void*), void* context) {
  std::lock_guard<std::mutex> hold(signalActionLock());
  struct sigaction action {};
  action.sa_sigaction = onFault;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &previous[i]);

  sigjmp_buf jump;
  volatile bool completed = false;
  if (sigsetjmp(jump, 1) == 0) {
    guardJump = &jump;
    probe(context);
    completed = true;
  }
  guardJump = nullptr;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &previous[i], nullptr);
  return completed;
}

}  // namespace tz::platform
