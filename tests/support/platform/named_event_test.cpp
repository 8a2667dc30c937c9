#include "support/platform/named_event.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "support/platform/posix/named_object_path.h"
#include "tests/support/platform/peer_process.h"

namespace {

using namespace std::chrono_literals;
using tz::platform::NamedEvent;
using tz::platform::PlatformError;
using tz::platform::WaitResult;

struct NamedEventTest : ::testing::Test {
  void SetUp() override { tz::test::useOwnObjectNamespace("event-"); }
};

// Deadlines well inside the waiters' own time-outs, which would otherwise hide a missed wake.
template <typename Condition>
bool eventually(Condition condition) {
  return tz::test::eventually(condition, 5s);
}

bool blockedInFutex(int pid, int tid) {
  const std::string path =
      "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/syscall";
  return eventually([&] {
    long call = -1;
    std::ifstream(path) >> call;
    return call == SYS_futex;
  });
}

TEST_F(NamedEventTest, SetStaysPendingForOneWaitAndRepeatsAddNothing) {
  auto [error, event, existed] = NamedEvent::create("ev");
  ASSERT_EQ(PlatformError::Success, error);
  EXPECT_FALSE(existed);
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "starts clear";
  auto joined = NamedEvent::create("ev");
  EXPECT_TRUE(joined.existed);
  event.set();
  event.set();
  EXPECT_EQ(WaitResult::Signaled, joined.event.wait(0)) << "joined in its state";
  EXPECT_EQ(WaitResult::TimedOut, event.wait(30)) << "the second set added a signal";
}

// Two sets in a row must release both blocked waiters (a plain flag would drop the
// second), and one set must release only one of them.
TEST_F(NamedEventTest, EachSetReleasesExactlyOneBlockedWaiter) {
  auto event = NamedEvent::create("ev").event;
  for (const bool backToBack : {true, false}) {
    std::atomic<int> tids[2] = {0, 0}, done{0};
    std::thread waiters[2];
    for (int i = 0; i < 2; ++i)
      waiters[i] = std::thread([&, i] {
        tids[i] = static_cast<int>(syscall(SYS_gettid));
        if (event.wait(10000) == WaitResult::Signaled) ++done;
      });
    for (auto& tid : tids) {
      EXPECT_TRUE(eventually([&] { return tid != 0; }) && blockedInFutex(getpid(), tid));
    }
    for (int released = 1; released <= 2; ++released) {
      event.set();
      if (!backToBack) {
        EXPECT_TRUE(eventually([&] { return done == released; }));
      }
    }
    EXPECT_TRUE(eventually([&] { return done == 2; })) << "back to back: " << backToBack;
    for (auto& w : waiters) w.join();
    EXPECT_EQ(WaitResult::TimedOut, event.wait(0)) << "back to back: " << backToBack;
  }
}

TEST_F(NamedEventTest, PeerAnswersEachPing) {
  TZ_PEER_ONLY();
  auto ping = NamedEvent::open("ping").event, pong = NamedEvent::open("pong").event;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(WaitResult::Signaled, ping.wait(10000));
    pong.set();
  }
}

TEST_F(NamedEventTest, WaiterInAnotherProcessWakes) {
  auto ping = NamedEvent::create("ping").event, pong = NamedEvent::create("pong").event;
  tz::test::PeerProcess peer("NamedEventTest.PeerAnswersEachPing");
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(blockedInFutex(peer.pid(), peer.pid()));
    ping.set();
    ASSERT_EQ(WaitResult::Signaled, pong.wait(5000)) << "round " << i;
  }
  EXPECT_EQ(0, peer.wait());
}

TEST_F(NamedEventTest, BadUseGetsAStatus) {
  NamedEvent closed;
  EXPECT_EQ(PlatformError::InvalidHandle, closed.set());
  EXPECT_EQ(WaitResult::Failed, closed.wait(0));
  // A live event-kind object too short to hold the record must be refused, not touched.
  using namespace tz::platform::posix;
  const ObjectHandle foreign = createObject(ObjectKind::Event, "short", 0);
  ASSERT_EQ(PlatformError::Success, foreign.error);
  EXPECT_EQ(PlatformError::InvalidData, NamedEvent::open("short").error);
  closeObject(foreign.fd);
}

}  // namespace
