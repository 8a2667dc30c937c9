// The debug channel's screen strip on the virtual screen: what a few texts paint, and for any
// screen, line count and texts, a cursor that stays in the strip and wraps to its top-left.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/core/debug_output_state.h"
#include "support/platform/screen.h"
#include "support/platform/text_encoding.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"
#include "tz/debug_output.h"

namespace tz::core::test {
namespace {

using platform::screenCell;
using platform::ScreenFill;

class DebugScreenStripTest : public testing::Test {
 protected:
  DebugScreenStripTest() : profile_("TZ_PROFILE_FILE", (folder_.path / "profile.ini").string()) {
    resetDebugOutputForTesting();
  }
  ~DebugScreenStripTest() override {
    resetDebugOutputForTesting();
    platform::resetScreen({0, 0, 1024, 768});
  }
  void setUp(const platform::ScreenRect& screen, const std::string& lines) {
    resetDebugOutputForTesting();
    ASSERT_TRUE(platform::resetScreen(screen));
    tz::test::writeFile(folder_.path / "profile.ini", "[Debug]\nLogToScreenLines=" + lines);
  }
  const DebugScreenStrip& strip() const { return debugOutputState().strip; }

  tz::test::ScratchFolder folder_;
  tz::test::ScopedEnv profile_;
};

std::u32string rowText(int32_t row, int32_t from, int32_t count) {
  std::u32string text;
  for (int32_t column = from; column < from + count; ++column)
    text += screenCell(column, row).character;
  return text;
}

// Characters as the screen counts them: a lone surrogate is one.
int64_t characters(std::u16string_view text) {
  int64_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) platform::decodeUtf16(text, i);
  return count;
}

TEST_F(DebugScreenStripTest, TextsFillFiveRowsAboveTheBottomAndWrapToTheTop) {
  setUp({0, 0, 1024, 768}, "5");
  EXPECT_EQ(S_OK, TzDebugString(u"ab\u00e9", FALSE, 0));
  // The strip is 1..944 by 688..768 inside a black frame; its text area starts at (2, 689).
  EXPECT_EQ(2, strip().area().left);
  EXPECT_EQ(689, strip().area().top);
  EXPECT_EQ(ScreenFill::Black, screenCell(0, 42).fill);
  EXPECT_EQ(U"ab\u00e9", rowText(43, 0, 3));
  EXPECT_EQ(ScreenFill::White, screenCell(2, 43).fill);
  EXPECT_EQ(ScreenFill::LightGrey, screenCell(3, 43).fill) << "where the next text goes";
  EXPECT_EQ(26, strip().cursorX());

  EXPECT_EQ(S_OK, TzDebugString(u"cd", TRUE, 1));
  EXPECT_EQ(U"ab\u00e9cd", rowText(43, 0, 5));
  EXPECT_EQ(705, strip().cursorY());
  for (const char16_t* line : {u"2", u"3", u"4"}) TzDebugString(line, TRUE, 0);
  EXPECT_EQ(U"234", rowText(44, 0, 1) + rowText(45, 0, 1) + rowText(46, 0, 1));
  // A fifth line would pass the bottom (753 + 16 > 767): the top row is next, and cleared.
  EXPECT_EQ(2, strip().cursorX());
  EXPECT_EQ(689, strip().cursorY());
  EXPECT_EQ(std::u32string(2, U'\0'), rowText(43, 0, 2));
}

TEST_F(DebugScreenStripTest, TheCursorStaysInTheStripAndWrapsToItsTopLeft) {
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  auto pick = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  const std::u16string alphabet = u"ab \u00e9\u20AC\U0001F3B5\xD800";
  for (int round = 0; round < 60; ++round) {
    const int32_t left = pick(-3000, 3000), top = pick(-3000, 3000);
    const platform::ScreenRect screen{left, top, left + pick(1, 1500), top + pick(1, 1500)};
    const int32_t lines = pick(0, 9) == 0 ? INT32_MAX : pick(-2, 60);
    setUp(screen, std::to_string(lines));
    TzDebugString(u"", FALSE, 0);  // sets the strip up
    for (int call = 0; call < 40; ++call) {
      std::u16string text;
      for (int length = pick(0, pick(0, 1) ? 8 : 300); length > 0; --length)
        text += alphabet[pick(0, static_cast<int32_t>(alphabet.size()) - 1)];
      const bool newline = pick(0, 2) == 0;
      const int64_t x = strip().cursorX(), y = strip().cursorY();
      TzDebugString(text.c_str(), newline, 0);

      const platform::ScreenRect area = strip().area();
      EXPECT_GE(area.top, screen.top + 1) << "the strip lies on the screen";
      const int64_t nextX = newline ? area.left : x + 8 * characters(text);
      const int64_t nextY = newline ? y + 16 : y;
      const int64_t cursorX = strip().cursorX(), cursorY = strip().cursorY();
      const bool atTopLeft = cursorX == area.left && cursorY == area.top;
      const bool nextFits = nextX < area.right && nextY + 16 <= area.bottom;
      SCOPED_TRACE(testing::Message() << "round " << round << " call " << call);
      if (!atTopLeft) {
        ASSERT_TRUE(nextFits);
        ASSERT_EQ(nextX, cursorX);
        ASSERT_EQ(nextY, cursorY);
      } else if (nextX != cursorX || nextY != cursorY) {
        ASSERT_FALSE(nextFits) << "wrapped although the next position fits";
      }
    }
  }
}

}  // namespace
}  // namespace tz::core::test
