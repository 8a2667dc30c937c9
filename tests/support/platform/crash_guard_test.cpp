// The crash guard with real faults, each in a child process (this program re-run as a peer):
// the record and context the filter sees, the end of the work when it handles the fault, the
// process's death as nobody saved it when it does not, and what it must leave to the host.
#include "support/platform/crash_guard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>

#include "crash_host.h"
#include "tests/common/peer_process.h"
#include "tests/common/processor_faults.h"
#include "wine.h"

namespace {

using tz::platform::GuardedRun;
using tz::platform::runGuarded;
using tz::test::FaultCase;

EXCEPTION_RECORD seenRecord;
CONTEXT seenContext;
LONG filterAnswer = EXCEPTION_EXECUTE_HANDLER;

LONG TZ_CALLBACK recordingFilter(const EXCEPTION_POINTERS* pointers, const char*) {
  seenRecord = *pointers->ExceptionRecord;
  seenContext = *pointers->ContextRecord;
  return filterAnswer;
}

GuardedRun runOnGuardedThread(void (*work)(void*), void* context, GuardedRun* again = nullptr) {
  GuardedRun run;
  std::thread([&] {
    run = runGuarded(work, context, recordingFilter, "faulting");
    if (again != nullptr) *again = runGuarded(work, context, recordingFilter, "faulting");
  }).join();
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
  tz::test::quietCrashes();
  const FaultCase* c = tz::test::faultCase(getenv("TZ_FAULT"));
  ASSERT_NE(nullptr, c);
  if (const char* answer = getenv("TZ_FILTER_ANSWER")) filterAnswer = atoi(answer);
  auto fault = c->fault;
  // Twice on one thread: the first fault leaves the thread fit for a second (a stack overflow
  // its guard page).
  GuardedRun again;
  const GuardedRun run = runOnGuardedThread(
      [](void* f) { tz::test::raiseFault(*static_cast<tz::test::Fault*>(f)); }, &fault, &again);
  ASSERT_EQ(tz::platform::PlatformError::Success, run.status);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(c->code, run.exceptionCode);
  EXPECT_TRUE(again.ended);
  EXPECT_EQ(c->code, again.exceptionCode);
  EXPECT_EQ(c->code, seenRecord.ExceptionCode);
  EXPECT_EQ(seenContext.Eip, reinterpret_cast<uintptr_t>(seenRecord.ExceptionAddress));
  EXPECT_EQ(3u, seenContext.SegCs & 3) << "user-mode code segment";
  EXPECT_EQ(0x37Fu, seenContext.FloatSave.ControlWord & 0xFFFF);
  EXPECT_EQ(CONTEXT_EXTENDED_REGISTERS, seenContext.ContextFlags & CONTEXT_EXTENDED_REGISTERS);
  const uintptr_t page = tz::test::protectedPage();
  if (c->fault == tz::test::Fault::StackOverflow) {
    // A write (a call's push, or a store into a new frame) next to the stack pointer.
    ASSERT_EQ(2u, seenRecord.NumberParameters);
    EXPECT_EQ(c->access, seenRecord.ExceptionInformation[0]);
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
    if (atPage || c->fault == CallNull) {
      ASSERT_EQ(2u, seenRecord.NumberParameters);
      EXPECT_EQ(c->access, seenRecord.ExceptionInformation[0]);
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

TEST_P(CrashGuard, AnUnhandledFaultEndsTheProcessAsNobodySavedIt) {
  if (GetParam().fault == tz::test::Fault::StackOverflow && tz::test::runningUnderWine())
    GTEST_SKIP() << "Wine's last-chance handler overflows the spent stack again and ends only "
                    "the thread";
  tz::test::ScratchFolder folder;
  std::vector<std::string> env = tz::test::quietPeerEnvironment();
  env.push_back(std::string("TZ_FAULT=") + GetParam().name);
  env.push_back("TZ_FILTER_ANSWER=0");
  tz::test::PeerProcess peer("CrashGuardPeer.TurnsTheFaultIntoARecordAndContext", env,
                             folder.path / "out");
  EXPECT_EQ(GetParam().death, peer.wait()) << tz::test::readFile(folder.path / "out");
}

INSTANTIATE_TEST_SUITE_P(Faults, CrashGuard, testing::ValuesIn(tz::test::kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::promise<void> guardStarted, neverSet;

TEST(CrashGuardPeer, LeavesOtherSignalsToTheHandlerBefore) {
  TZ_PEER_ONLY();
  tz::test::quietCrashes();
  tz::test::installHostHandler();
  if (std::string(getenv("TZ_SIGNAL")) == "sent") {
    runOnGuardedThread([](void*) { tz::test::sendFaultSignal(); }, nullptr);
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

LONG TZ_CALLBACK decliningFilter(const EXCEPTION_POINTERS*, const char*) {
  return EXCEPTION_CONTINUE_SEARCH;
}

// The innermost guard takes the fault; its refusal is final, whatever an outer filter would say.
TEST(CrashGuardPeer, RefusedInsideAnOuterGuard) {
  TZ_PEER_ONLY();
  tz::test::quietCrashes();
  runGuarded(
      [](void*) {
        runGuarded([](void*) { tz::test::raiseFault(tz::test::Fault::Read); }, nullptr,
                   decliningFilter, "inner");
      },
      nullptr, recordingFilter, "outer");
}

TEST(CrashGuard, AFaultTheInnermostGuardRefusesEndsTheProcess) {
  tz::test::ScratchFolder folder;
  tz::test::PeerProcess peer("CrashGuardPeer.RefusedInsideAnOuterGuard",
                             tz::test::quietPeerEnvironment(), folder.path / "out");
  EXPECT_EQ(tz::test::faultCase("Read")->death, peer.wait())
      << tz::test::readFile(folder.path / "out");
}

// The handlers exist only while work is guarded; guards nest.
TEST(CrashGuard, InstallsItsHandlersOnlyWhileWorkIsGuarded) {
  static tz::test::InstalledHandlers before, inside, after;
  before.take();
  runGuarded(
      [](void*) {
        runGuarded([](void*) {}, nullptr, recordingFilter, "inner");
        inside.take();
      },
      nullptr, recordingFilter, "outer");
  after.take();
  tz::test::expectInstalledOnlyWhileGuarded(before, inside, after);
  EXPECT_EQ(tz::platform::PlatformError::InvalidParameter,
            runGuarded(nullptr, nullptr, recordingFilter, nullptr).status);

  // A handler the host installs meanwhile stays.
  tz::test::expectTheHostsHandlerStays([](void (*step)()) {
    runGuarded([](void* s) { reinterpret_cast<void (*)()>(s)(); }, reinterpret_cast<void*>(step),
               recordingFilter, "host");
  });
}

}  // namespace
