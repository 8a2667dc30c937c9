#include "support/platform/thread.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

#include "tests/support/platform/peer_process.h"

namespace {

using tz::platform::PlatformError;
using tz::platform::Thread;
using P = tz::platform::ThreadPriority;

constexpr PlatformError kOk = PlatformError::Success;

const auto policyOf = [](uint32_t tid) { return sched_getscheduler(static_cast<pid_t>(tid)); };
const auto niceOf = [](uint32_t tid) { return getpriority(PRIO_PROCESS, tid); };

// Reads this thread's capabilities, or with drop set, gives up CAP_SYS_NICE first.
bool hasNicePrivilege(bool drop = false) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  if (drop) {
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    data[0].permitted &= ~(1u << CAP_SYS_NICE);
    return syscall(SYS_capset, &header, data) == 0;
  }
  return (data[0].effective & (1u << CAP_SYS_NICE)) != 0;
}

// Runs until released, so that the scheduler's view of it can be read meanwhile.
struct Parked {
  std::atomic<bool> released{false};
  unsigned mxcsr = 0;  // as the thread found it

  static uint32_t run(void* context) {
    auto* parked = static_cast<Parked*>(context);
    parked->mxcsr = _mm_getcsr();
    parked->released.wait(false);
    return 7;
  }
  void releaseAndJoin(Thread& thread) {
    released = true;
    released.notify_all();
    uint32_t exitCode = 0;
    EXPECT_EQ(kOk, thread.join(&exitCode));
    EXPECT_EQ(7u, exitCode);
  }
};

TEST(Thread, EachLevelReachesTheScheduler) {
  if (!hasNicePrivilege()) GTEST_SKIP() << "needs the privilege to raise priorities";
  Parked parked;
  Thread thread;
  ASSERT_EQ(kOk, thread.start(&Parked::run, &parked));
  const uint32_t tid = thread.id();
  int previousNice = -21;
  for (P level : {P::Highest, P::AboveNormal, P::Normal, P::BelowNormal, P::Lowest}) {
    ASSERT_EQ(kOk, thread.setPriority(level));
    EXPECT_EQ(SCHED_OTHER, policyOf(tid));
    EXPECT_LT(previousNice, niceOf(tid)) << "level " << static_cast<int>(level);
    previousNice = niceOf(tid);
  }
  const std::pair<P, int> policies[] = {
      {P::TimeCritical, SCHED_RR}, {P::Idle, SCHED_IDLE}, {P::Normal, SCHED_OTHER}};
  for (const auto& [level, policy] : policies) {
    ASSERT_EQ(kOk, thread.setPriority(level));
    EXPECT_EQ(policy, policyOf(tid)) << "level " << static_cast<int>(level);
  }
  EXPECT_EQ(0, niceOf(tid));
  parked.releaseAndJoin(thread);
}

TEST(Thread, StartsFromDefaultsNotFromItsCreator) {
  constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  Parked parked;
  int seenNice = -100;
  std::thread creator([&] {
    _mm_setcsr(_mm_getcsr() | kFlushToZero | kDenormalsAreZero);
    ASSERT_EQ(kOk, tz::platform::setCurrentThreadPriority(P::Lowest));
    Thread thread;
    ASSERT_EQ(kOk, thread.start(&Parked::run, &parked));
    seenNice = niceOf(thread.id());
    parked.releaseAndJoin(thread);
    EXPECT_EQ(kFlushToZero | kDenormalsAreZero, _mm_getcsr() & (kFlushToZero | kDenormalsAreZero));
  });
  creator.join();
  EXPECT_EQ(0x1F80u, parked.mxcsr);
  if (hasNicePrivilege()) {
    EXPECT_EQ(0, seenNice) << "normal priority, not the creator's";
  }
}

TEST(Thread, MisuseGetsAStatusAndOwnershipMoves) {
  Thread none;
  EXPECT_EQ(PlatformError::InvalidHandle, none.join());
  EXPECT_EQ(PlatformError::InvalidHandle, none.setPriority(P::Normal));
  EXPECT_EQ(PlatformError::InvalidParameter, none.start(nullptr, nullptr));
  EXPECT_EQ(PlatformError::InvalidParameter,
            tz::platform::setCurrentThreadPriority(static_cast<P>(3)));

  Parked parked;
  Thread first;
  ASSERT_EQ(kOk, first.start(&Parked::run, &parked));
  const uint32_t tid = first.id();
  EXPECT_EQ(PlatformError::InvalidParameter, first.start(&Parked::run, &parked));
  EXPECT_EQ(PlatformError::InvalidParameter, first.setPriority(static_cast<P>(-3)));
  Thread owner(std::move(first));
  EXPECT_FALSE(first.started());
  EXPECT_EQ(tid, owner.id());
  parked.releaseAndJoin(owner);

  std::atomic<int> steps{0};
  auto work = [](void* counter) -> uint32_t {
    for (int i = 0; i < 100000; ++i) static_cast<std::atomic<int>*>(counter)->fetch_add(1);
    return 0;
  };
  { ASSERT_EQ(kOk, Thread().start(work, &steps)); }
  EXPECT_EQ(100000, steps) << "destruction waits for the function";
}

// Without CAP_SYS_NICE and with no nice or real-time allowance every level is still accepted;
// the thread gets what the limits allow.
TEST(Thread, FallsBackQuietlyWithoutPrivilege) {
  tz::test::PeerProcess peer("ThreadPeer.FallsBackQuietlyWithoutPrivilege");
  ASSERT_TRUE(peer.started());
  EXPECT_EQ(0, peer.wait());
}

TEST(ThreadPeer, FallsBackQuietlyWithoutPrivilege) {
  TZ_PEER_ONLY();
  rlimit realtime{};
  ASSERT_EQ(0, getrlimit(RLIMIT_RTPRIO, &realtime));
  const rlimit noNice{0, 0}, noRealtime{0, realtime.rlim_max};
  ASSERT_TRUE(hasNicePrivilege(true));
  ASSERT_EQ(0, setrlimit(RLIMIT_NICE, &noNice));
  ASSERT_EQ(0, setrlimit(RLIMIT_RTPRIO, &noRealtime));

  Parked parked;
  Thread thread;
  ASSERT_EQ(kOk, thread.start(&Parked::run, &parked));
  const uint32_t tid = thread.id();
  EXPECT_EQ(kOk, thread.setPriority(P::TimeCritical));
  EXPECT_EQ(SCHED_OTHER, policyOf(tid));
  EXPECT_EQ(0, niceOf(tid));
  EXPECT_EQ(kOk, thread.setPriority(P::Lowest));
  EXPECT_EQ(kOk, thread.setPriority(P::Highest));
  EXPECT_EQ(10, niceOf(tid)) << "a raise beyond the allowance is ignored";
  EXPECT_EQ(kOk, tz::platform::setCurrentThreadPriority(P::Highest));
  if (realtime.rlim_max > 0) {
    const rlimit someRealtime{std::min<rlim_t>(realtime.rlim_max, 5), realtime.rlim_max};
    ASSERT_EQ(0, setrlimit(RLIMIT_RTPRIO, &someRealtime));
    EXPECT_EQ(kOk, thread.setPriority(P::TimeCritical));
    EXPECT_EQ(SCHED_RR, policyOf(tid)) << "the allowed real-time priority is taken";
  }
  parked.releaseAndJoin(thread);
}

}  // namespace
