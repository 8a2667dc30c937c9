#include "support/platform/named_mark.h"

#include <gtest/gtest.h>

#include "support/platform/named_event.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"

namespace {

using tz::platform::NamedEvent;
using tz::platform::NamedMark;
using tz::platform::PlatformError;
using tz::platform::WaitResult;

struct NamedMarkTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

TEST_F(NamedMarkTest, HeldUntilItsLastHolderReleases) {
  auto first = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, first.error);
  EXPECT_FALSE(first.existed);
  auto second = NamedMark::hold("m");
  EXPECT_TRUE(second.existed);
  EXPECT_FALSE(NamedMark::isHeld("other"));
  NamedMark moved = std::move(first.mark);
  moved.release();
  EXPECT_TRUE(NamedMark::isHeld("m")) << "the second holder keeps it";
  second.mark.release();
  EXPECT_FALSE(NamedMark::isHeld("m"));
  EXPECT_EQ(PlatformError::InvalidName, NamedMark::hold("").error);
  EXPECT_FALSE(NamedMark::isHeld(""));
}

TEST_F(NamedMarkTest, PeerHoldsUntilKilled) {
  TZ_PEER_ONLY();
  auto held = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, held.error);
  NamedEvent::open("holding").event.set();
  NamedEvent::create("never").event.wait(30000);
}

TEST_F(NamedMarkTest, KilledHolderLeavesNoMark) {
  auto holding = NamedEvent::create("holding").event;
  tz::test::PeerProcess holder("NamedMarkTest.PeerHoldsUntilKilled");
  ASSERT_EQ(WaitResult::Signaled, holding.wait(10000));
  EXPECT_TRUE(NamedMark::isHeld("m"));
  holder.kill9();
  EXPECT_FALSE(NamedMark::isHeld("m"));
  auto next = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, next.error);
  EXPECT_FALSE(next.existed);
}

}  // namespace
