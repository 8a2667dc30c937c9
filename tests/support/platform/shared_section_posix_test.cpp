// The POSIX namespace's own dangers: files any process of the user can link or shrink.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/platform/posix/named_object_path.h"
#include "support/platform/shared_section.h"
#include "tests/common/isolated_session.h"

namespace {

using tz::platform::PlatformError;
using tz::platform::SharedSection;
using tz::platform::posix::ObjectKind;

struct SectionFileTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

std::string pathOf(ObjectKind kind, std::string_view name) {
  std::string path;
  tz::platform::posix::objectPath(kind, name, path);
  return path;
}

// Only the owner may enter, and a link planted where an object belongs is refused, not
// followed.
TEST_F(SectionFileTest, OwnerOnlyAndPlantedLinksRefused) {
  auto held = SharedSection::create("a/b", 16);
  ASSERT_EQ(PlatformError::Success, held.error);
  const std::string path = pathOf(ObjectKind::Section, "a/b");
  struct stat file, dir;
  ASSERT_EQ(0, stat(path.c_str(), &file));
  ASSERT_EQ(0, stat(path.substr(0, path.rfind('/')).c_str(), &dir));
  EXPECT_EQ(0600u, file.st_mode & 0777);
  EXPECT_EQ(0700u, dir.st_mode & 0777);
  const std::string target = path + ".target", planted = pathOf(ObjectKind::Section, "planted");
  ASSERT_EQ(0, symlink(target.c_str(), planted.c_str()));
  EXPECT_EQ(PlatformError::AccessDenied, SharedSection::create("planted", 16).error);
  EXPECT_NE(0, access(target.c_str(), F_OK));
  unlink(planted.c_str());
}

TEST_F(SectionFileTest, PeerShrinksTheBlock) {
  TZ_PEER_ONLY();
  ASSERT_EQ(0, truncate(pathOf(ObjectKind::Section, "block").c_str(), 4096));
}

// Touching a mapped page that the file no longer has is a SIGBUS. Once a peer has shrunk a
// section, no open, join or map may treat it as the size it had, nor reach past its end.
TEST_F(SectionFileTest, SectionShrunkByAPeerIsRefusedAndNeverMappedPastItsEnd) {
  constexpr size_t Size = 1 << 17;
  auto created = SharedSection::create("block", Size).section;
  auto view = created.map(0, 0).view;
  memset(view.data(), 0x5A, Size);  // not touched again: the peer takes its pages away
  auto opened = SharedSection::open("block");
  ASSERT_EQ(Size, opened.section.size());
  tz::test::PeerProcess shrinker("SectionFileTest.PeerShrinksTheBlock");
  ASSERT_EQ(0, shrinker.wait());
  struct stat file;
  ASSERT_EQ(0, stat(pathOf(ObjectKind::Section, "block").c_str(), &file));
  EXPECT_EQ(PlatformError::InvalidData, SharedSection::open("block").error);
  EXPECT_EQ(PlatformError::InvalidData, SharedSection::create("block", Size).error) << "join";
  for (const size_t offset : {size_t{0}, size_t{8192}}) {
    auto mapped = opened.section.map(offset, 0);
    EXPECT_EQ(PlatformError::InvalidData, mapped.error) << offset;
    if (mapped.error == PlatformError::Success) {
      EXPECT_LE(offset + mapped.view.size(), static_cast<size_t>(file.st_size)) << offset;
    }
  }
  view.unmap();
  created.close();
  opened.section.close();
  auto fresh = SharedSection::create("block", Size);
  EXPECT_EQ(PlatformError::Success, fresh.error) << "gone with its last holder";
  EXPECT_FALSE(fresh.existed);
}

}  // namespace
