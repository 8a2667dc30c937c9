// The crash guard with real faults, each in a child process (this program re-run as a peer):
// the record and context the filter sees, the end of the work when it handles the fault, the
// death by the same signal when it does not, and the signals it must leave to others.
#include "support/platform/crash_guard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>

#include "tests/common/peer_process.h"
#include "tests/common/processor_faults.h"

namespace {

using tz::platform::GuardedRun;
using tz::platform::runGuarded;
using tz::test::FaultCase;

// Sanitizers that handle faults themselves would end the process their own way.
const char* const kNoSanitizerHandlers =
    "ASAN_OPTIONS=handle_segv=0:handle_sigill=0:handle_sigfpe=0:handle_sigbus=0";

EXCEPTION_RECORD seenRecord;
CONTEXT seenContext;
LONG filterAnswer = EXCEPTION_EXECUTE_HANDLER;

LONG TZ_CALLBACK recordingFilter(const EXCEPTION_POINTERS* pointers, const char*) {
  seenRecord = *pointers->ExceptionRecord;
  seenContext = *pointers->ContextRecord;
  return filterAnswer;
}

GuardedRun runOnGuardedThread(void (*work)(void*), void* context) {
  GuardedRun run;
  std::thread([&] { run = runGuarded(work, context, recordingFilter, "faulting"); }).join();
  return run;
}

std::string bytesAt(uintptr_t address, size_t count) {
  std::string text;
  char hex[4];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X",
                  reinterpret_cast<uint8_t*>(address)[i]);
    text += hex;
  }
  return text;
}

TEST(CrashGuardPeer, TurnsTheFaultIntoARecordAndContext) {
  TZ_PEER_ONLY();
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  const FaultCase* c = tz::test::faultCase(getenv("TZ_FAULT"));
  ASSERT_NE(nullptr, c);
  if (const char* answer = getenv("TZ_FILTER_ANSWER")) filterAnswer = atoi(answer);
  auto fault = c->fault;
  const GuardedRun run = runOnGuardedThread(
      [](void* f) { tz::test::raiseFault(*static_cast<tz::test::Fault*>(f)); }, &fault);
  ASSERT_EQ(tz::platform::PlatformError::Success, run.status);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(c->code, run.exceptionCode);
  EXPECT_EQ(c->code, seenRecord.ExceptionCode);
  EXPECT_EQ(seenContext.Eip, reinterpret_cast<uintptr_t>(seenRecord.ExceptionAddress));
  EXPECT_EQ(3u, seenContext.SegCs & 3) << "user-mode code segment";
  EXPECT_EQ(0x37Fu, seenContext.FloatSave.ControlWord & 0xFFFF);
  EXPECT_EQ(CONTEXT_EXTENDED_REGISTERS, seenContext.ContextFlags & CONTEXT_EXTENDED_REGISTERS);
  const uintptr_t page = tz::test::protectedPage();
  if (c->fault == tz::test::Fault::StackOverflow) {
    // A write (a call's push, or a store into a new frame) next to the stack pointer.
    ASSERT_EQ(2u, seenRecord.NumberParameters);
    EXPECT_EQ(1u, seenRecord.ExceptionInformation[0]);
    EXPECT_LT(std::abs(int64_t{seenRecord.ExceptionInformation[1]} - seenContext.Esp), 4096);
  } else {
    using enum tz::test::Fault;
    const bool atPage = c->fault == Read || c->fault == Write;
    if (c->fault == CallNull) {
      EXPECT_EQ(0u, seenContext.Eip);
    } else {
      EXPECT_EQ(c->bytes, bytesAt(seenContext.Eip, (std::strlen(c->bytes) + 1) / 3));
    }
    EXPECT_EQ(atPage ? page : tz::test::kFaultMarker, seenContext.Esi);
    EXPECT_EQ(atPage || c->fault == CallNull ? 2u : 0u, seenRecord.NumberParameters);
    if (atPage || c->fault == CallNull) {
      EXPECT_EQ(c->fault == Write ? 1u : 0u, seenRecord.ExceptionInformation[0]);
      EXPECT_EQ(atPage ? page : 0u, seenRecord.ExceptionInformation[1]);
    }
  }
  // The guard serves again on the same process.
  int calls = 0;
  EXPECT_FALSE(runOnGuardedThread([](void* n) { ++*static_cast<int*>(n); }, &calls).ended);
  EXPECT_EQ(1, calls);
}

class CrashGuard : public testing::TestWithParam<FaultCase> {};

TEST_P(CrashGuard, AHandledFaultEndsTheWorkAndTheProcessLives) {
  std::string output;
  EXPECT_TRUE(tz::test::peerPasses("CrashGuardPeer.TurnsTheFaultIntoARecordAndContext",
                                   {std::string("TZ_FAULT=") + GetParam().name}, output))
      << output;
}

TEST_P(CrashGuard, AnUnhandledFaultEndsTheProcessByItsSignal) {
  tz::test::ScratchFolder folder;
  tz::test::PeerProcess peer(
      "CrashGuardPeer.TurnsTheFaultIntoARecordAndContext",
      {std::string("TZ_FAULT=") + GetParam().name, "TZ_FILTER_ANSWER=0", kNoSanitizerHandlers},
      folder.path / "out");
  EXPECT_EQ(128 + GetParam().signal, peer.wait()) << tz::test::readFile(folder.path / "out");
}

INSTANTIATE_TEST_SUITE_P(Faults, CrashGuard, testing::ValuesIn(tz::test::kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A handler of the host's own: exit status 42 for a fault, 43 for a signal someone sent.
void hostHandler(int, siginfo_t* info, void*) {
  _exit(info->si_code > 0 ? 42 : 43);
}

std::promise<void> guardStarted, neverSet;

TEST(CrashGuardPeer, LeavesOtherSignalsToTheHandlerBefore) {
  TZ_PEER_ONLY();
  struct sigaction action {};
  action.sa_sigaction = hostHandler;
  action.sa_flags = SA_SIGINFO;
  sigaction(SIGSEGV, &action, nullptr);
  if (std::string(getenv("TZ_SIGNAL")) == "sent") {
    runOnGuardedThread([](void*) { raise(SIGSEGV); }, nullptr);
    return;
  }
  // A fault on a thread that is not guarded while another thread runs guarded work.
  std::thread([] {
    runGuarded(
        [](void*) {
          guardStarted.set_value();
          neverSet.get_future().wait();
        },
        nullptr, recordingFilter, "waiting");
  }).detach();
  guardStarted.get_future().wait();
  tz::test::raiseFault(tz::test::Fault::Read);
}

TEST(CrashGuard, LeavesFaultsOfUnguardedThreadsAndSentSignalsToTheHandlerBefore) {
  for (auto [signal, status] : {std::pair{"fault", 42}, std::pair{"sent", 43}}) {
    tz::test::ScratchFolder folder;
    tz::test::PeerProcess peer("CrashGuardPeer.LeavesOtherSignalsToTheHandlerBefore",
                               {std::string("TZ_SIGNAL=") + signal}, folder.path / "out");
    EXPECT_EQ(status, peer.wait()) << signal << tz::test::readFile(folder.path / "out");
  }
}

constexpr int kGuardedSignals[] = {SIGSEGV, SIGILL, SIGFPE, SIGBUS, SIGTRAP};

struct Installed {
  struct sigaction actions[5];
  stack_t altStack;
  void take() {
    for (int i = 0; i < 5; ++i) sigaction(kGuardedSignals[i], nullptr, &actions[i]);
    sigaltstack(nullptr, &altStack);
  }
};

// The handlers and the alternate stack exist only while guarded work runs; guards nest.
TEST(CrashGuard, InstallsItsHandlersOnlyWhileWorkIsGuarded) {
  static Installed before, inside, after;
  before.take();
  runGuarded(
      [](void*) {
        runGuarded([](void*) {}, nullptr, recordingFilter, "inner");
        inside.take();
      },
      nullptr, recordingFilter, "outer");
  after.take();
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(before.actions[i].sa_sigaction, inside.actions[i].sa_sigaction) << i;
    EXPECT_EQ(before.actions[i].sa_sigaction, after.actions[i].sa_sigaction) << i;
    EXPECT_EQ(before.actions[i].sa_flags, after.actions[i].sa_flags) << i;
  }
  EXPECT_EQ(256u * 1024, inside.altStack.ss_size);
  EXPECT_EQ(before.altStack.ss_sp, after.altStack.ss_sp);
  EXPECT_EQ(before.altStack.ss_flags, after.altStack.ss_flags);
  EXPECT_EQ(tz::platform::PlatformError::InvalidParameter,
            runGuarded(nullptr, nullptr, recordingFilter, nullptr).status);

  // A handler the host installs meanwhile stays; ours, below it, is not put on top again.
  static struct sigaction host {};
  host.sa_sigaction = hostHandler;
  host.sa_flags = SA_SIGINFO;
  runGuarded([](void*) { sigaction(SIGTRAP, &host, nullptr); }, nullptr, recordingFilter, "a");
  runGuarded([](void*) { inside.take(); }, nullptr, recordingFilter, "b");
  after.take();
  EXPECT_EQ(hostHandler, inside.actions[4].sa_sigaction);
  EXPECT_EQ(hostHandler, after.actions[4].sa_sigaction);
  sigaction(SIGTRAP, &before.actions[4], nullptr);
}

}  // namespace
