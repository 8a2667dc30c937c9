#include "support/platform/named_event.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"

namespace {

using namespace std::chrono_literals;
using tz::platform::NamedEvent;
using tz::platform::PlatformError;
using tz::platform::WaitResult;

struct NamedEventTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

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
    ping.set();
    ASSERT_EQ(WaitResult::Signaled, pong.wait(5000)) << "round " << i;
  }
  EXPECT_EQ(0, peer.wait());
}

// A set and a release must not be left to a wait that has already given up, and the
// re-checks a long sleep makes must not end it early.
TEST_F(NamedEventTest, PeerWaitsBriefly) {
  TZ_PEER_ONLY();
  ASSERT_EQ(WaitResult::TimedOut, NamedEvent::open("ev").event.wait(100));
}

TEST_F(NamedEventTest, WaitThatTimedOutLeavesTheNextSetPending) {
  auto event = NamedEvent::create("ev").event;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitResult::TimedOut, event.wait(1200));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1200ms) << "ended before its time-out";
  event.set();
  EXPECT_EQ(WaitResult::Signaled, event.wait(0)) << "the set went to the waiter that left";
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));

  tz::test::PeerProcess peer("NamedEventTest.PeerWaitsBriefly");
  EXPECT_EQ(0, peer.wait());
  event.set();
  EXPECT_EQ(WaitResult::Signaled, event.wait(0)) << "the set went to the peer that left";
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
}

TEST_F(NamedEventTest, PeerAnnouncesThenWaitsUntilKilled) {
  TZ_PEER_ONLY();
  auto event = NamedEvent::open("ev").event;
  NamedEvent::open("waiting").event.set();
  event.wait(30000);
}

// A waiter killed in (or on its way into) its wait takes no set with it.
TEST_F(NamedEventTest, SetIsNotLostToAKilledWaiter) {
  auto event = NamedEvent::create("ev").event, waiting = NamedEvent::create("waiting").event;
  tz::test::PeerProcess peer("NamedEventTest.PeerAnnouncesThenWaitsUntilKilled");
  ASSERT_EQ(WaitResult::Signaled, waiting.wait(10000));
  peer.kill9();
  ASSERT_EQ(tz::test::kKilledStatus, peer.wait());
  event.set();
  EXPECT_EQ(WaitResult::Signaled, event.wait(0));
  EXPECT_EQ(WaitResult::TimedOut, event.wait(0));
}

TEST_F(NamedEventTest, BadUseGetsAStatus) {
  NamedEvent closed;
  EXPECT_EQ(PlatformError::InvalidHandle, closed.set());
  EXPECT_EQ(WaitResult::Failed, closed.wait(0));
  EXPECT_EQ(PlatformError::InvalidName, NamedEvent::create("").error);
  EXPECT_EQ(PlatformError::FileNotFound, NamedEvent::open("missing").error);
}

}  // namespace
