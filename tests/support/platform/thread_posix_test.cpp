// Linux's limits on raising priorities, which Windows does not have: every level is open to
// every process there.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "support/platform/thread.h"
#include "tests/common/peer_process.h"
#include "thread_priority_probe.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
using P = ThreadPriority;

// Without CAP_SYS_NICE and with no nice or real-time allowance every level is still accepted;
// the thread gets what the limits allow.
TEST(ThreadLimits, FallBackQuietlyWithoutPrivilege) {
  EXPECT_EQ(0, tz::test::PeerProcess("ThreadLimitsPeer.FallBackQuietlyWithoutPrivilege").wait());
}

TEST(ThreadLimitsPeer, FallBackQuietlyWithoutPrivilege) {
  TZ_PEER_ONLY();
  rlimit realtime{};
  ASSERT_EQ(0, getrlimit(RLIMIT_RTPRIO, &realtime));
  const rlimit noNice{0, 0}, noRealtime{0, realtime.rlim_max};
  ASSERT_TRUE(tz::test::hasNicePrivilege(true));
  ASSERT_EQ(0, setrlimit(RLIMIT_NICE, &noNice));
  ASSERT_EQ(0, setrlimit(RLIMIT_RTPRIO, &noRealtime));

  std::atomic<bool> released{false};
  Thread thread;
  ASSERT_EQ(Success, thread.start(
                         [](void* flag) -> uint32_t {
                           static_cast<std::atomic<bool>*>(flag)->wait(false);
                           return 0;
                         },
                         &released));
  const auto tid = static_cast<pid_t>(thread.id());
  EXPECT_EQ(Success, thread.setPriority(P::TimeCritical));
  EXPECT_EQ(SCHED_OTHER, sched_getscheduler(tid));
  EXPECT_EQ(0, getpriority(PRIO_PROCESS, tid));
  EXPECT_EQ(Success, thread.setPriority(P::Lowest));
  EXPECT_EQ(Success, thread.setPriority(P::Highest));
  EXPECT_EQ(10, getpriority(PRIO_PROCESS, tid)) << "a raise beyond the allowance is ignored";
  EXPECT_EQ(Success, setCurrentThreadPriority(P::Highest));
  if (realtime.rlim_max > 0) {
    const rlimit someRealtime{std::min<rlim_t>(realtime.rlim_max, 5), realtime.rlim_max};
    ASSERT_EQ(0, setrlimit(RLIMIT_RTPRIO, &someRealtime));
    EXPECT_EQ(Success, thread.setPriority(P::TimeCritical));
    EXPECT_EQ(SCHED_RR, sched_getscheduler(tid)) << "the allowed real-time priority is taken";
  }
  released = true;
  released.notify_all();
  EXPECT_EQ(Success, thread.join());
}

}  // namespace
