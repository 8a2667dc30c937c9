// The mark's objects as other programs of the user may meet them: a passing look at its name,
// or another object under it.
#include "support/platform/named_mark.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "support/platform/win32/object_names.h"
#include "tests/common/isolated_session.h"

namespace {

using tz::platform::MarkWatch;
using tz::platform::NamedMark;
using tz::platform::ObjectKind;
using tz::platform::PlatformError;

struct MarkObjectsTest : ::testing::Test {
  tz::test::IsolatedSession session;

  static std::wstring markName(const char* name) {
    std::wstring systemName;
    EXPECT_EQ(PlatformError::Success, systemObjectName(ObjectKind::Mark, name, systemName));
    return systemName;
  }
};

// Whoever opens the name only to look keeps it alive for as long as it looks; a hold in that
// moment still starts a new mark when every holder has gone.
TEST_F(MarkObjectsTest, APassingLookIsNoHolder) {
  auto first = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, first.error);
  const MarkWatch watch = MarkWatch::open("m").watch;
  const HANDLE look = OpenFileMappingW(FILE_MAP_READ, FALSE, markName("m").c_str());
  ASSERT_NE(nullptr, look);
  first.mark.release();
  EXPECT_FALSE(NamedMark::isHeld("m"));
  EXPECT_FALSE(watch.held());
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("m").error);
  auto next = NamedMark::hold("m");
  ASSERT_EQ(PlatformError::Success, next.error);
  EXPECT_FALSE(next.existed) << "the look held nothing";
  EXPECT_FALSE(watch.held()) << "a new mark";
  EXPECT_TRUE(MarkWatch::open("m").watch.held());
  CloseHandle(look);
  EXPECT_TRUE(NamedMark::isHeld("m"));
}

// Another program's object under the name: a joiner cannot tell the mark, and a watch cannot
// either, while the name stays taken.
TEST_F(MarkObjectsTest, ForeignObjectUnderTheNameIsRefusedToJoinersAndUnheldToWatches) {
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, markName("event").c_str());
  ASSERT_NE(nullptr, event);
  EXPECT_EQ(PlatformError::InvalidData, NamedMark::hold("event").error);
  EXPECT_TRUE(NamedMark::isHeld("event"));
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("event").error);
  CloseHandle(event);

  const HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(uint64_t), markName("zeros").c_str());
  ASSERT_NE(nullptr, section);
  auto joined = NamedMark::hold("zeros");
  EXPECT_EQ(PlatformError::InvalidData, joined.error);
  EXPECT_FALSE(joined.mark.held());
  EXPECT_TRUE(NamedMark::isHeld("zeros"));
  EXPECT_EQ(PlatformError::FileNotFound, MarkWatch::open("zeros").error);
  CloseHandle(section);
  EXPECT_FALSE(NamedMark::isHeld("zeros"));
  EXPECT_TRUE(NamedMark::hold("zeros").mark.held());
}

}  // namespace
