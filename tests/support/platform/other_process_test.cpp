#include "support/platform/other_process.h"

#include <gtest/gtest.h>

#include <cstring>

#include "inherited_handle.h"
#include "support/platform/named_event.h"
#include "support/platform/shared_section.h"
#include "tests/common/isolated_session.h"

namespace {

using namespace tz::platform;
using enum PlatformError;

struct OtherProcessTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

// What the peer tells about itself, through a section its parent made.
struct PeerFacts {
  uint64_t buffer;     // the address of 16 bytes of its memory
  int32_t section;     // its handle of a section holding "peer's section"
  int32_t notSection;  // a handle of something else
};

char peerBuffer[16] = "peer's memory";

TEST_F(OtherProcessTest, PeerPublishesAndWaits) {
  TZ_PEER_ONLY();
  auto facts = SharedSection::open("facts").section;
  auto own = SharedSection::create("own", 64).section;
  memcpy(own.map(0, 0).view.data(), "peer's section", 15);
  const PeerFacts told{reinterpret_cast<uintptr_t>(peerBuffer), own.handle(),
                       static_cast<int32_t>(tz::test::makeInheritableHandle())};
  memcpy(facts.map(0, 0).view.data(), &told, sizeof told);
  NamedEvent::open("told").event.set();
  NamedEvent::create("never").event.wait(30000);
}

TEST_F(OtherProcessTest, ReadsWritesAndTakesOverSectionsUntilTheProcessEnds) {
  EXPECT_EQ(InvalidParameter, OtherProcess::open(0).error);
  auto facts = SharedSection::create("facts", sizeof(PeerFacts)).section;
  auto told = NamedEvent::create("told").event;
  tz::test::PeerProcess peer("OtherProcessTest.PeerPublishesAndWaits");
  ASSERT_EQ(WaitResult::Signaled, told.wait(10000));
  PeerFacts peerFacts;
  memcpy(&peerFacts, facts.map(0, 0).view.data(), sizeof peerFacts);

  auto [error, process] = OtherProcess::open(static_cast<uint32_t>(peer.pid()));
  ASSERT_EQ(Success, error);
  EXPECT_FALSE(process.hasEnded());
  char read[16] = {};
  EXPECT_EQ(Success, process.read(peerFacts.buffer, read, sizeof read));
  EXPECT_STREQ("peer's memory", read);
  EXPECT_EQ(Success, process.write(peerFacts.buffer, "written", 8));
  EXPECT_EQ(Success, process.read(peerFacts.buffer, read, sizeof read));
  EXPECT_STREQ("written", read);
  EXPECT_EQ(PartialCopy, process.read(0, read, sizeof read)) << "nothing mapped at 0";

  auto taken = SharedSection::duplicate(process, peerFacts.section);
  ASSERT_EQ(Success, taken.error);
  EXPECT_EQ(64u, taken.section.size());
  EXPECT_STREQ("peer's section", static_cast<const char*>(taken.section.map(0, 0).view.data()));
  EXPECT_EQ(AccessDenied, SharedSection::duplicate(process, peerFacts.notSection).error);
  EXPECT_EQ(InvalidHandle, SharedSection::duplicate(process, 0x7FFFFFF0).error);

  peer.kill9();
  EXPECT_TRUE(process.hasEnded());
  EXPECT_EQ(InvalidHandle, process.read(peerFacts.buffer, read, sizeof read));
  EXPECT_EQ(InvalidHandle, process.write(peerFacts.buffer, read, sizeof read));
  EXPECT_EQ(InvalidHandle, SharedSection::duplicate(process, peerFacts.section).error);
  EXPECT_STREQ("peer's section", static_cast<const char*>(taken.section.map(0, 0).view.data()))
      << "ours outlives the owner";
}

}  // namespace
