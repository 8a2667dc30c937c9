// The crash guard on signals. Each guarded thread gets an alternate signal stack for the
// duration of its outermost guard (a stack overflow leaves no room on its own stack), and a
// handled fault jumps back to the guard's start with siglongjmp, which also restores the
// signal mask the handler ran with.
#include "support/platform/crash_guard.h"

#include <pthread.h>
#include <sys/mman.h>

#include <cstdint>

#include "support/platform/posix/exception_from_signal.h"
#include "support/platform/posix/guarded_threads.h"
#include "support/platform/posix/signal_chain.h"
#include "support/platform/this_thread.h"

namespace tz::platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGILL, SIGFPE, SIGBUS, SIGTRAP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
// Room for the filter's report and its buffers (about 70 KiB), and for a sanitizer's handler
// that a passed-on fault reaches; pages never touched cost nothing.
constexpr size_t kAltStackBytes = 256 * 1024;
constexpr size_t kPageBytes = 4096;

// Written under the action lock before the handlers exist; read by the handler.
struct sigaction previous[kSignalCount];
int activeGuards = 0;  // under the action lock
// Signals whose action someone replaced after ours: ours stays below theirs, with its previous
// action, and is never installed again on top (that would make it its own previous).
bool leftBelow[kSignalCount] = {};  // under the action lock

void onCrashSignal(int signal, siginfo_t* info, void* machine);

void installHandlers() {
  std::lock_guard hold(signalActionLock());
  if (activeGuards++ > 0) return;
  struct sigaction action {};
  action.sa_sigaction = onCrashSignal;
  // SA_NODEFER: a fault inside the filter reaches the handler again and is passed on, rather
  // than being a blocked synchronous signal that the kernel turns into an instant kill.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < kSignalCount; ++i)
    if (!leftBelow[i]) sigaction(kSignals[i], &action, &previous[i]);
}

void restoreHandlers() {
  std::lock_guard hold(signalActionLock());
  if (--activeGuards > 0) return;
  for (int i = 0; i < kSignalCount; ++i) {
    // An action someone installed after ours stays; theirs may be chaining to ours, though,
    // so ours is never torn down under them.
    struct sigaction current {};
    sigaction(kSignals[i], nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onCrashSignal) {
      sigaction(kSignals[i], &previous[i], nullptr);
    } else {
      leftBelow[i] = true;
    }
  }
}

const struct sigaction& previousFor(int signal) {
  for (int i = 0; i < kSignalCount; ++i)
    if (kSignals[i] == signal) return previous[i];
  return previous[0];
}

void onCrashSignal(int signal, siginfo_t* info, void* machine) {
  GuardFrame* frame = innermostGuard(currentThreadIdUncached());
  if (frame == nullptr || frame->inFilter || info == nullptr || machine == nullptr ||
      !raisedByProcessor(*info)) {
    passToPrevious(previousFor(signal), signal, info, machine);
    return;
  }
  EXCEPTION_RECORD record;
  CONTEXT context;
  exceptionFromSignal(signal, *info, machine, frame->stack, record, context);
  const EXCEPTION_POINTERS pointers{&record, &context};
  frame->inFilter = true;
  const LONG answer = frame->filter(&pointers, frame->threadName);
  frame->inFilter = false;
  if (answer == EXCEPTION_EXECUTE_HANDLER) {
    frame->code = record.ExceptionCode;
    siglongjmp(frame->jump, 1);
  }
  passToPrevious(previousFor(signal), signal, info, machine);
}

// The calling thread's stack as the thread library knows it; allocates, so never in a handler.
StackRegion threadStack() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return {};
  void* low = nullptr;
  size_t size = 0;
  const bool known = pthread_attr_getstack(&attributes, &low, &size) == 0;
  pthread_attr_destroy(&attributes);
  if (!known) return {};
  const auto start = reinterpret_cast<uintptr_t>(low);
  return {start, start + size};
}

// An alternate signal stack with an inaccessible page below it, put in place for the life of
// the object and the previous one put back afterwards.
class AltStack {
 public:
  bool install() {
    void* pages = mmap(nullptr, kAltStackBytes + kPageBytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (pages == MAP_FAILED) return false;
    pages_ = pages;
    mprotect(pages_, kPageBytes, PROT_NONE);
    stack_t ours{};
    ours.ss_sp = static_cast<char*>(pages_) + kPageBytes;
    ours.ss_size = kAltStackBytes;
    // Inside a handler running on an alternate stack the stack cannot change; that one serves.
    installed_ = sigaltstack(&ours, &previous_) == 0;
    return true;
  }
  ~AltStack() {
    if (installed_) sigaltstack(&previous_, nullptr);
    if (pages_ != nullptr) munmap(pages_, kAltStackBytes + kPageBytes);
  }

 private:
  void* pages_ = nullptr;
  bool installed_ = false;
  stack_t previous_{};
};

// Kept out of runGuarded so that nothing the work changes lives in the frame that
// sigsetjmp saved.
__attribute__((noinline)) bool runUntilFault(GuardFrame& frame, void (*work)(void*),
                                             void* context) {
  if (sigsetjmp(frame.jump, 1) != 0) return false;
  work(context);
  return true;
}

}  // namespace

GuardedRun runGuarded(void (*work)(void* context), void* context, CrashFilter filter,
                      const char* threadName) {
  if (work == nullptr || filter == nullptr) return {PlatformError::InvalidParameter};
  const uint32_t thread = currentThreadIdUncached();
  GuardFrame frame;
  frame.filter = filter;
  frame.threadName = threadName;
  frame.stack = threadStack();
  AltStack altStack;
  if (innermostGuard(thread) == nullptr && !altStack.install())
    return {PlatformError::NotEnoughMemory};
  if (!enterGuard(thread, frame)) return {PlatformError::NotEnoughMemory};
  installHandlers();
  GuardedRun run;
  if (!runUntilFault(frame, work, context)) {
    run.ended = true;
    run.exceptionCode = frame.code;
  }
  restoreHandlers();
  leaveGuard(thread, frame);
  return run;
}

}  // namespace tz::platform
