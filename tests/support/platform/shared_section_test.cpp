#include "support/platform/shared_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "environment_variable.h"
#include "object_presence.h"
#include "support/platform/named_event.h"
#include "tests/common/isolated_session.h"

namespace {

using tz::platform::NamedEvent;
using tz::platform::ObjectKind;
using tz::platform::PlatformError;
using tz::platform::SharedSection;
using tz::platform::WaitResult;
using tz::test::objectExists;

struct SharedSectionTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

TEST_F(SharedSectionTest, NameLivesWhileASectionOrViewIsHeldAndKeepsItsSize) {
  auto [error, section, existed] = SharedSection::create("block", 3 * 4096 + 5);
  ASSERT_EQ(PlatformError::Success, error);
  EXPECT_FALSE(existed);
  auto view = section.map(0, 0).view;
  ASSERT_EQ(0, memcmp(view.data(), std::vector<char>(3 * 4096 + 5).data(), 3 * 4096 + 5));
  section.close();
  memcpy(view.data(), "kept", 4);
  auto again = SharedSection::create("block", 1 << 20);
  ASSERT_TRUE(again.existed) << "the view keeps the name";
  EXPECT_EQ(3u * 4096 + 5, again.section.size()) << "joining keeps the size";
  EXPECT_EQ(PlatformError::InvalidParameter, again.section.map(0, 1 << 20).error);
  EXPECT_EQ(0, memcmp(again.section.map(0, 4).view.data(), "kept", 4)) << "still usable";
  again.section.close();
  view.unmap();
  EXPECT_FALSE(objectExists(ObjectKind::Section, "block")) << "left behind";
  EXPECT_EQ(PlatformError::FileNotFound, SharedSection::open("block").error);
}

TEST_F(SharedSectionTest, ViewsAtAnyOffsetAndBadInput) {
  const size_t size = 3 * 4096 + 100;
  auto section = SharedSection::create("block", size).section;
  auto whole = section.map(0, 0).view;
  auto* bytes = static_cast<unsigned char*>(whole.data());
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  for (const size_t offset : {size_t{1}, size_t{4095}, size_t{4097}, size - 1}) {
    auto view = section.map(offset, 0);
    ASSERT_EQ(size - offset, view.view.size()) << offset;
    EXPECT_EQ(0, memcmp(bytes + offset, view.view.data(), size - offset)) << offset;
  }
  EXPECT_EQ(PlatformError::InvalidParameter, section.map(size, 0).error);
  EXPECT_EQ(PlatformError::InvalidParameter, section.map(1, SIZE_MAX).error);
  EXPECT_EQ(PlatformError::InvalidHandle, SharedSection().map(0, 0).error);
  EXPECT_EQ(PlatformError::InvalidParameter, SharedSection::create("other", 0).error);
  EXPECT_EQ(PlatformError::InvalidName, SharedSection::create("", 1).error);
  EXPECT_EQ(PlatformError::InvalidName, SharedSection::create(std::string(300, 'x'), 1).error);
  EXPECT_EQ(PlatformError::InvalidName, SharedSection::create(std::string(80, '\\'), 1).error)
      << "escaped bytes count three";
  EXPECT_EQ(PlatformError::FileNotFound, SharedSection::open("missing").error);
}

// Escaping keeps look-alike names apart, and kinds and namespaces never meet.
TEST_F(SharedSectionTest, NamesStayApart) {
  std::vector<SharedSection> held;
  for (const char* name : {"a/b", "a%2Fb", "a_b", "a~b", "a%7Eb", "a\\b"}) {
    auto created = SharedSection::create(name, 16);
    EXPECT_FALSE(created.existed) << name;
    held.push_back(std::move(created.section));
  }
  EXPECT_FALSE(NamedEvent::create("a/b").existed);
  // Namespace "<ns>~a" with name "b" must not reach name "a~b" of namespace "<ns>".
  tz::test::setEnvironmentVariable("TZ_OBJECT_NAMESPACE",
                                   (std::string(getenv("TZ_OBJECT_NAMESPACE")) + "~a").c_str());
  EXPECT_EQ(PlatformError::FileNotFound, SharedSection::open("b").error);
  EXPECT_EQ(PlatformError::FileNotFound, SharedSection::open("a/b").error);
}

TEST_F(SharedSectionTest, PeerJoinsThenHoldsUntilKilled) {
  TZ_PEER_ONLY();
  auto block = SharedSection::create("block", 1 << 20);
  ASSERT_TRUE(block.existed);
  ASSERT_EQ(4096u, block.section.size());
  memcpy(block.section.map(100, 8).view.data(), "answered", 8);
  auto a = SharedSection::create("a", 4096), b = SharedSection::create("b", 4096);
  memset(b.section.map(0, 0).view.data(), 0xAB, 4096);
  NamedEvent::open("ready").event.set();
  NamedEvent::create("never").event.wait(NamedEvent::Infinite);
}

TEST_F(SharedSectionTest, LiveSectionsAreJoinedAndThoseOfAKilledProcessAreGone) {
  auto block = SharedSection::create("block", 4096).section;
  auto view = block.map(100, 8).view;
  memcpy(view.data(), "question", 8);
  auto ready = NamedEvent::create("ready").event;
  tz::test::PeerProcess peer("SharedSectionTest.PeerJoinsThenHoldsUntilKilled");
  ASSERT_EQ(WaitResult::Signaled, ready.wait(10000));
  EXPECT_EQ(0, memcmp(view.data(), "answered", 8));
  peer.kill9();
  ASSERT_EQ(tz::test::kDeadHoldersLeaveObjects, objectExists(ObjectKind::Section, "b"));
  EXPECT_EQ(PlatformError::FileNotFound, SharedSection::open("a").error);
  EXPECT_EQ(PlatformError::FileNotFound, NamedEvent::open("never").error) << "events alike";
  auto [error, b, existed] = SharedSection::create("b", 8192);
  ASSERT_EQ(PlatformError::Success, error);
  EXPECT_FALSE(existed);
  EXPECT_EQ(8192u, b.size());
  EXPECT_EQ(0, memcmp(b.map(0, 0).view.data(), std::vector<char>(8192).data(), 8192));
}

}  // namespace
