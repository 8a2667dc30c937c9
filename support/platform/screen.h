// Drawing on the whole screen with the system's fixed-pitch font. Without a display the screen
// is a virtual one: its clip box in pixels, seen as character cells of kCellWidth by
// kCellHeight pixels, each remembering the last fill painted over it and the last character
// drawn in it. Tests read the cells; TZ_DEBUG_SCREEN_STDERR=1 also writes drawn text to
// standard error, a line per row, for a developer watching. On Windows the cells are kept the
// same way while everything is also drawn on the real screen.
#pragma once

#include <cstdint>
#include <string_view>

namespace tz::platform {

// Pixels; right and bottom lie just outside.
struct ScreenRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

enum class ScreenFill : uint8_t { None, White, LightGrey, Black };

struct ScreenCell {
  char32_t character;  // 0 where nothing was drawn since the last fill
  ScreenFill fill;
};

constexpr int32_t kCellWidth = 8;
constexpr int32_t kCellHeight = 16;

// The screen's drawing context: holds the screen's lock from construction to destruction, so
// one caller's drawing is never mixed with another's. Not for the audio path.
class ScreenContext {
 public:
  ScreenContext();
  ~ScreenContext();
  ScreenContext(const ScreenContext&) = delete;
  ScreenContext& operator=(const ScreenContext&) = delete;

  ScreenRect clipBox() const;
  int32_t textHeight() const { return kCellHeight; }
  // The width of UTF-8 text, a cell per character; saturates rather than overflows.
  int32_t textWidth(std::string_view text) const;

  // Paints the cells whose centre lies in rect; their characters are gone.
  void fill(const ScreenRect& rect, ScreenFill fill);
  // Paints the one-pixel border just inside rect: every cell the border passes through.
  void frame(const ScreenRect& rect, ScreenFill fill);
  // Draws UTF-8 text from (x, y), the top-left of its first character: each character lands
  // in the cell holding its centre. Whatever falls outside the clip box is not drawn.
  void drawText(int32_t x, int32_t y, std::string_view text);
};

// For tests and tools. Gives the screen a new clip box (at most 8192 pixels each way) with
// every cell blank; false, nothing changed, for an empty or larger box. The screen starts as
// 1024 by 768 pixels at (0, 0).
bool resetScreen(const ScreenRect& clipBox);
// The cell at column and row, counted from the clip box's top-left; a blank cell outside.
ScreenCell screenCell(int32_t column, int32_t row);

}  // namespace tz::platform
