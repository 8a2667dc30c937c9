#include "support/platform/named_mark.h"

#include <gtest/gtest.h>

#include "object_presence.h"
#include "support/platform/named_event.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"

namespace {

using tz::platform::MarkWatch;
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

struct MarkWatchTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

TEST_F(MarkWatchTest, WatchSeesItsMarkUntilTheLastHolderGoesAndNeverAfter) {
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("m").error) << "nobody holds it";
  EXPECT_EQ(PlatformError::InvalidName, MarkWatch::open("").error);
  EXPECT_FALSE(MarkWatch().held());
  auto first = NamedMark::hold("m");
  auto [error, watch] = MarkWatch::open("m");
  ASSERT_EQ(PlatformError::Success, error);
  EXPECT_TRUE(watch.held()) << "a holder in the watch's own process counts";
  EXPECT_TRUE(watch.held()) << "asking changes nothing";
  auto second = NamedMark::hold("m");
  ASSERT_TRUE(second.existed);
  first.mark.release();
  EXPECT_TRUE(watch.held()) << "the second holder keeps it";
  second.mark.release();
  EXPECT_FALSE(watch.held());
  EXPECT_FALSE(watch.held());
  EXPECT_FALSE(NamedMark::isHeld("m")) << "the watch keeps nothing alive";
  EXPECT_FALSE(tz::test::objectExists(tz::platform::ObjectKind::Mark, "m"))
      << "the name went with the last holder";
  auto next = NamedMark::hold("m");
  ASSERT_FALSE(next.existed);
  EXPECT_FALSE(watch.held()) << "a new mark under the same name";
  EXPECT_TRUE(MarkWatch::open("m").watch.held());
  const MarkWatch moved = std::move(watch);
  EXPECT_FALSE(moved.held());
  EXPECT_FALSE(watch.watching());
}

TEST_F(MarkWatchTest, PeerHoldsUntilKilled) {
  TZ_PEER_ONLY();
  auto held = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, held.error);
  NamedEvent::create("never").event.wait(30000);
}

TEST_F(MarkWatchTest, WatchOfAKilledHolderMissesTheNextHolder) {
  auto never = NamedEvent::create("never").event;  // outlives the killed peer's
  tz::test::PeerProcess holder("MarkWatchTest.PeerHoldsUntilKilled");
  MarkWatch watch;
  ASSERT_TRUE(tz::test::eventually([&] { return (watch = MarkWatch::open("m").watch).held(); }));
  const MarkWatch second = MarkWatch::open("m").watch;
  EXPECT_TRUE(second.held()) << "watches do not meet each other";
  holder.kill9();
  EXPECT_FALSE(watch.held()) << "the holder's mark went with its process";
  EXPECT_FALSE(second.held());
  auto next = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, next.error);
  EXPECT_FALSE(next.existed);
  EXPECT_FALSE(watch.held()) << "a new mark";
  EXPECT_TRUE(MarkWatch::open("m").watch.held());
}

}  // namespace
