// The crash tests' stand-in for a host on signals: its own fault handler, a signal sent to a
// guarded thread, and the handlers and alternate stack that a guard may install.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tz::test {

// Environment entries for a peer that must die as nobody's handler saved it: sanitizers that
// handle faults themselves would end the process their own way.
inline std::vector<std::string> quietPeerEnvironment() {
  return {"ASAN_OPTIONS=handle_segv=0:handle_sigill=0:handle_sigfpe=0:handle_sigbus=0"};
}

// A crashing peer leaves no core file behind.
inline void quietCrashes() {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
}

// A handler of the host's own: exit status 42 for a fault, 43 for a signal someone sent.
inline void hostHandler(int, siginfo_t* info, void*) {
  _exit(info->si_code > 0 ? 42 : 43);
}

inline void installHostHandler() {
  struct sigaction action {};
  action.sa_sigaction = hostHandler;
  action.sa_flags = SA_SIGINFO;
  sigaction(SIGSEGV, &action, nullptr);
}

// A fault's signal that no instruction raised.
inline void sendFaultSignal() {
  raise(SIGSEGV);
}

constexpr int kGuardedSignals[] = {SIGSEGV, SIGILL, SIGFPE, SIGBUS, SIGTRAP};

struct InstalledHandlers {
  struct sigaction actions[5];
  stack_t altStack;
  void take() {
    for (int i = 0; i < 5; ++i) sigaction(kGuardedSignals[i], nullptr, &actions[i]);
    sigaltstack(nullptr, &altStack);
  }
};

// While work is guarded the handlers are the guard's, on an alternate stack of 256 KiB; after
// it they are the ones before.
inline void expectInstalledOnlyWhileGuarded(const InstalledHandlers& before,
                                            const InstalledHandlers& inside,
                                            const InstalledHandlers& after) {
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(before.actions[i].sa_sigaction, inside.actions[i].sa_sigaction) << i;
    EXPECT_EQ(before.actions[i].sa_sigaction, after.actions[i].sa_sigaction) << i;
    EXPECT_EQ(before.actions[i].sa_flags, after.actions[i].sa_flags) << i;
  }
  EXPECT_EQ(256u * 1024, inside.altStack.ss_size);
  EXPECT_EQ(before.altStack.ss_sp, after.altStack.ss_sp);
  EXPECT_EQ(before.altStack.ss_flags, after.altStack.ss_flags);
}

// The host replaces a handler while guarded work runs: theirs stays on top afterwards, and a
// later guard does not put its own above it. `guarded` runs one piece of work guarded.
template <typename Guarded>
void expectTheHostsHandlerStays(Guarded guarded) {
  static InstalledHandlers before, inside, after;
  static struct sigaction host {};
  before.take();
  host.sa_sigaction = hostHandler;
  host.sa_flags = SA_SIGINFO;
  guarded([] { sigaction(SIGTRAP, &host, nullptr); });
  guarded([] { inside.take(); });
  after.take();
  EXPECT_EQ(hostHandler, inside.actions[4].sa_sigaction);
  EXPECT_EQ(hostHandler, after.actions[4].sa_sigaction);
  sigaction(SIGTRAP, &before.actions[4], nullptr);
}

}  // namespace tz::test
