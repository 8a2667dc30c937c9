// The mark watch and the namespace's files.
#include "support/platform/named_mark.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/platform/named_event.h"
#include "support/platform/posix/named_object_path.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/namespace_locker.h"

namespace {

using tz::platform::MarkWatch;
using tz::platform::NamedEvent;
using tz::platform::NamedMark;
using tz::platform::PlatformError;

struct MarkWatchPosixTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

// The mark's file as the namespace names it; 0 when there is none.
ino_t markFile(const char* name) {
  std::string path;
  struct stat st;
  if (tz::platform::posix::objectPath(tz::platform::posix::ObjectKind::Mark, name, path) !=
          PlatformError::Success ||
      stat(path.c_str(), &st) != 0)
    return 0;
  return st.st_ino;
}

// A dead holder leaves its file behind, and the next holder starts afresh in that same file.
TEST_F(MarkWatchPosixTest, WatchOfADeadHolderMissesTheNextHolderInTheSameFile) {
  auto never = NamedEvent::create("never").event;  // outlives the killed peer's
  tz::test::PeerProcess holder("MarkWatchTest.PeerHoldsUntilKilled");
  MarkWatch watch;
  ASSERT_TRUE(tz::test::eventually([&] { return (watch = MarkWatch::open("m").watch).held(); }));
  const ino_t file = markFile("m");
  holder.kill9();
  EXPECT_FALSE(watch.held()) << "the holder's lock went with its process";
  auto next = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, next.error);
  EXPECT_FALSE(next.existed);
  ASSERT_EQ(file, markFile("m")) << "the new holder reused the dead one's file";
  EXPECT_FALSE(watch.held()) << "a new mark, though in the same file";
  EXPECT_TRUE(MarkWatch::open("m").watch.held());
}

TEST_F(MarkWatchPosixTest, PeerLocksTheNamespace) {
  TZ_PEER_ONLY();
  tz::test::lockNamespaceUntilReleased();
}

TEST_F(MarkWatchPosixTest, WatchOpensAndAnswersWhileAnotherProcessLocksTheNamespace) {
  auto held = NamedMark::hold("m");
  auto released = NamedMark::hold("released");
  const MarkWatch releasedWatch = MarkWatch::open("released").watch;
  released.mark.release();  // before the lock: releasing needs the folder
  tz::test::NamespaceLocker locker("MarkWatchPosixTest.PeerLocksTheNamespace");
  ASSERT_TRUE(locker.holding());
  auto [error, watch] = MarkWatch::open("m");
  EXPECT_EQ(PlatformError::Success, error);
  EXPECT_TRUE(watch.held());
  EXPECT_FALSE(releasedWatch.held());
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("released").error);
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("never held").error);
  EXPECT_EQ(0, locker.release());
}

// A mark file that the user damaged by hand: a holder that joins cannot tell its mark, and a
// watch cannot either.
TEST_F(MarkWatchPosixTest, DamagedMarkIsRefusedToJoinersAndUnheldToWatches) {
  using namespace tz::platform::posix;
  const ObjectHandle foreign = createObject(ObjectKind::Mark, "m", 0);
  ASSERT_EQ(PlatformError::Success, foreign.error);
  auto joined = NamedMark::hold("m");
  EXPECT_EQ(PlatformError::InvalidData, joined.error);
  EXPECT_FALSE(joined.mark.held());
  EXPECT_TRUE(NamedMark::isHeld("m")) << "its live holder keeps it";
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("m").error);
  closeObject(foreign.fd);
}

}  // namespace
