#include "support/platform/named_mark.h"

#include <gtest/gtest.h>

#include "tests/support/platform/peer_process.h"

namespace {

using tz::platform::NamedMark;
using tz::platform::PlatformError;

struct NamedMarkTest : ::testing::Test {
  void SetUp() override { tz::test::useOwnObjectNamespace("mark-"); }
};

// A holder's death is tested with real processes through the engine's running-mixer mark.
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

}  // namespace
