// The screen's cells, which record what was drawn on every system (on Windows alongside the
// real drawing), and the system cursors.
#include <gtest/gtest.h>

#include "support/platform/cursor.h"
#include "support/platform/screen.h"

namespace tz::platform {
namespace {

TEST(ScreenTest, CellsRecordFillsFramesAndTextWithinTheClipBox) {
  ScreenRect before;
  {
    ScreenContext context;
    before = context.clipBox();
  }
  EXPECT_FALSE(resetScreen({0, 0, 0, 10})) << "empty";
  EXPECT_FALSE(resetScreen({0, 0, 8193, 10})) << "larger than the cells hold";
  ASSERT_TRUE(resetScreen({100, 200, 180, 264}));  // 10 by 4 cells
  {
    ScreenContext context;
    EXPECT_EQ(100, context.clipBox().left);
    EXPECT_EQ(264, context.clipBox().bottom);
    EXPECT_EQ(3 * kCellWidth, context.textWidth("a\xc3\xb1\xe2\x82\xac"));
    context.fill({100, 200, 180, 264}, ScreenFill::LightGrey);
    context.frame({108, 216, 140, 264}, ScreenFill::Black);  // cells 1..4 of rows 1..3
    context.drawText(116, 216, "a\xc3\xb1\xe2\x82\xac");     // from cell 2 of row 1
    context.drawText(164, 232, "xyz");                       // z falls outside
    context.drawText(100, 150, "above");
  }
  EXPECT_EQ(ScreenFill::LightGrey, screenCell(0, 0).fill);
  EXPECT_EQ(ScreenFill::Black, screenCell(1, 1).fill);
  EXPECT_EQ(ScreenFill::LightGrey, screenCell(2, 2).fill) << "a frame leaves its inside";
  EXPECT_EQ(ScreenFill::Black, screenCell(4, 3).fill);
  EXPECT_EQ(U'a', screenCell(2, 1).character);
  EXPECT_EQ(U'\u00f1', screenCell(3, 1).character);
  EXPECT_EQ(U'\u20ac', screenCell(4, 1).character);
  EXPECT_EQ(U'x', screenCell(8, 2).character);
  EXPECT_EQ(U'y', screenCell(9, 2).character);
  EXPECT_EQ(U'\0', screenCell(10, 0).character) << "outside: a blank cell";
  EXPECT_EQ(ScreenFill::None, screenCell(-1, 0).fill);
  EXPECT_TRUE(resetScreen(before));
}

TEST(CursorTest, SystemCursorsAreStableHandlesAndTheCurrentOneIsReplacedAndRestored) {
  const HCURSOR arrow = systemCursor(kArrowCursor), wait = systemCursor(kWaitCursor);
  int notACursor = 0;
  const HCURSOR bogus = reinterpret_cast<HCURSOR>(&notACursor);
  ASSERT_NE(nullptr, arrow);
  EXPECT_EQ(arrow, systemCursor(kArrowCursor));
  EXPECT_NE(arrow, wait);
  EXPECT_EQ(kWaitCursor, cursorId(wait));
  EXPECT_EQ(32651u, cursorId(systemCursor(32651)));
  EXPECT_EQ(nullptr, systemCursor(32517));
  EXPECT_EQ(0u, cursorId(nullptr));
  EXPECT_EQ(0u, cursorId(bogus)) << "not a cursor";

  const HCURSOR previous = setCursor(wait);
  EXPECT_EQ(wait, currentCursor());
  EXPECT_EQ(wait, setCursor(bogus));
  EXPECT_EQ(nullptr, currentCursor()) << "a handle that is no cursor shows none";
  EXPECT_EQ(nullptr, setCursor(previous));
  EXPECT_EQ(previous, currentCursor());
}

}  // namespace
}  // namespace tz::platform
