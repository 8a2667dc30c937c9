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

#include "tests/common/peer_process.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
using P = ThreadPriority;

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

// A thread that runs until released, so that the scheduler's view of it can be read meanwhile.
struct Parked {
  std::atomic<bool> released{false};
  unsigned mxcsr = 0;  // as the thread found it
  Thread thread;
  uint32_t tid = 0;

  Parked() {
    EXPECT_EQ(Success, thread.start(&run, this));
    tid = thread.id();
  }
  ~Parked() { release(); }
  static uint32_t run(void* self) {
    static_cast<Parked*>(self)->mxcsr = _mm_getcsr();
    static_cast<Parked*>(self)->released.wait(false);
    return 7;
  }
  void release() {
    released = true;
    released.notify_all();
  }
  // Releases the thread and joins it, wherever it has moved.
  void join(Thread& owner) {
    release();
    uint32_t exitCode = 0;
    EXPECT_EQ(Success, owner.join(&exitCode));
    EXPECT_EQ(7u, exitCode);
  }
};

TEST(Thread, EachLevelReachesTheScheduler) {
  if (!hasNicePrivilege()) GTEST_SKIP() << "needs the privilege to raise priorities";
  Parked parked;
  int previousNice = -21;
  for (P level : {P::Highest, P::AboveNormal, P::Normal, P::BelowNormal, P::Lowest}) {
    ASSERT_EQ(Success, parked.thread.setPriority(level));
    EXPECT_EQ(SCHED_OTHER, policyOf(parked.tid));
    EXPECT_LT(previousNice, niceOf(parked.tid)) << "level " << static_cast<int>(level);
    previousNice = niceOf(parked.tid);
  }
  const std::pair<P, int> policies[] = {
      {P::TimeCritical, SCHED_RR}, {P::Idle, SCHED_IDLE}, {P::Normal, SCHED_OTHER}};
  for (const auto& [level, policy] : policies) {
    ASSERT_EQ(Success, parked.thread.setPriority(level));
    EXPECT_EQ(policy, policyOf(parked.tid)) << "level " << static_cast<int>(level);
  }
  EXPECT_EQ(0, niceOf(parked.tid));
  parked.join(parked.thread);
}

TEST(Thread, StartsFromDefaultsNotFromItsCreator) {
  constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  unsigned seenMxcsr = 0;
  int seenNice = -100;
  std::thread([&] {
    _mm_setcsr(_mm_getcsr() | kFlushToZero | kDenormalsAreZero);
    ASSERT_EQ(Success, setCurrentThreadPriority(P::Lowest));
    Parked parked;
    seenNice = niceOf(parked.tid);
    parked.join(parked.thread);
    seenMxcsr = parked.mxcsr;
    EXPECT_EQ(kFlushToZero | kDenormalsAreZero, _mm_getcsr() & (kFlushToZero | kDenormalsAreZero));
  }).join();
  EXPECT_EQ(0x1F80u, seenMxcsr);
  if (hasNicePrivilege()) {
    EXPECT_EQ(0, seenNice) << "normal priority, not the creator's";
  }
}

TEST(Thread, MisuseGetsAStatusAndOwnershipMoves) {
  Thread none;
  EXPECT_EQ(InvalidHandle, none.join());
  EXPECT_EQ(InvalidHandle, none.setPriority(P::Normal));
  EXPECT_EQ(InvalidParameter, none.start(nullptr, nullptr));
  EXPECT_EQ(InvalidParameter, setCurrentThreadPriority(static_cast<P>(3)));

  Parked parked;
  EXPECT_EQ(InvalidParameter, parked.thread.start(&Parked::run, &parked));
  EXPECT_EQ(InvalidParameter, parked.thread.setPriority(static_cast<P>(-3)));
  Thread owner(std::move(parked.thread));
  EXPECT_FALSE(parked.thread.started());
  EXPECT_EQ(parked.tid, owner.id());
  parked.join(owner);

  std::atomic<int> steps{0};
  auto work = [](void* counter) -> uint32_t {
    for (int i = 0; i < 100000; ++i) static_cast<std::atomic<int>*>(counter)->fetch_add(1);
    return 0;
  };
  { ASSERT_EQ(Success, Thread().start(work, &steps)); }
  EXPECT_EQ(100000, steps) << "destruction waits for the function";
}

// Without CAP_SYS_NICE and with no nice or real-time allowance every level is still accepted;
// the thread gets what the limits allow.
TEST(Thread, FallsBackQuietlyWithoutPrivilege) {
  EXPECT_EQ(0, tz::test::PeerProcess("ThreadPeer.FallsBackQuietlyWithoutPrivilege").wait());
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
  Thread& thread = parked.thread;
  EXPECT_EQ(Success, thread.setPriority(P::TimeCritical));
  EXPECT_EQ(SCHED_OTHER, policyOf(parked.tid));
  EXPECT_EQ(0, niceOf(parked.tid));
  EXPECT_EQ(Success, thread.setPriority(P::Lowest));
  EXPECT_EQ(Success, thread.setPriority(P::Highest));
  EXPECT_EQ(10, niceOf(parked.tid)) << "a raise beyond the allowance is ignored";
  EXPECT_EQ(Success, setCurrentThreadPriority(P::Highest));
  if (realtime.rlim_max > 0) {
    const rlimit someRealtime{std::min<rlim_t>(realtime.rlim_max, 5), realtime.rlim_max};
    ASSERT_EQ(0, setrlimit(RLIMIT_RTPRIO, &someRealtime));
    EXPECT_EQ(Success, thread.setPriority(P::TimeCritical));
    EXPECT_EQ(SCHED_RR, policyOf(parked.tid)) << "the allowed real-time priority is taken";
  }
  parked.join(thread);
}

}  // namespace
