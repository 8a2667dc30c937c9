// Positions are worked out in 64 bits and the cursor always ends inside the strip (or at its
// top-left), so neither a huge line count nor a text wider than the plane can wrap around.
#include "support/core/debug_screen_strip.h"

#include <algorithm>
#include <string>

#include "support/platform/profile_file.h"
#include "support/platform/text_encoding.h"

namespace tz::core {
namespace {

using platform::ScreenFill;
using platform::ScreenRect;

constexpr int32_t kDefaultLines = 5;
constexpr int64_t kRightMargin = 80;  // pixels left free right of the strip

int32_t clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

ScreenRect rect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return {clamp32(left), clamp32(top), clamp32(right), clamp32(bottom)};
}

}  // namespace

void DebugScreenStrip::setUp(platform::ScreenContext& screen) {
  const ScreenRect clip = screen.clipBox();
  const int64_t bottom = clip.bottom;
  int64_t top = clip.top;
  const int64_t lines = platform::readProfileInt("Debug", "LogToScreenLines", kDefaultLines);
  // More lines than the screen holds is the whole screen, not a strip starting above it.
  if (lines > 0) top = std::max(top, bottom - lines * screen.textHeight());
  const ScreenRect strip = rect(1, top, int64_t{clip.right} - kRightMargin, bottom);
  screen.fill(strip, ScreenFill::LightGrey);
  screen.frame(rect(int64_t{strip.left} - 1, int64_t{strip.top} - 1, int64_t{strip.right} + 1,
                    int64_t{strip.bottom} + 1),
               ScreenFill::Black);
  area_ = rect(int64_t{strip.left} + 1, int64_t{strip.top} + 1, int64_t{strip.right} - 1,
               int64_t{strip.bottom} - 1);
  x_ = area_.left;
  y_ = area_.top;
  ready_ = true;
}

HRESULT DebugScreenStrip::paint(std::u16string_view text, bool newline) {
  const std::string narrow = platform::utf8FromUtf16(text);
  platform::ScreenContext screen;
  if (!ready_) setUp(screen);
  const int64_t height = screen.textHeight();
  const int64_t width = screen.textWidth(narrow);
  screen.fill(rect(x_, y_, x_ + width + 2, y_ + height), ScreenFill::White);
  screen.drawText(x_, y_, narrow);

  int64_t x = newline ? area_.left : x_ + width;
  int64_t y = newline ? y_ + height : y_;
  if (x >= area_.right || y + height > area_.bottom) {
    x = area_.left;
    y = area_.top;
  }
  x_ = clamp32(x);
  y_ = clamp32(y);
  // Marks the row where the next text goes by clearing the rest of it; in a strip of two rows
  // or less the mark would hide half of what is there.
  if (int64_t{area_.bottom} - area_.top > 2 * height)
    screen.fill(rect(x_, y_, area_.right, y_ + height), ScreenFill::LightGrey);
  return S_OK;
}

}  // namespace tz::core
