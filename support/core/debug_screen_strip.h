// The debug channel's screen target: a strip along the bottom of the screen, written line by
// line from its top-left and again from there when it is full.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/screen.h"
#include "tz/win_types.h"

namespace tz::core {

class DebugScreenStrip {
 public:
  // Paints text at the cursor and moves it on; the caller keeps calls from overlapping.
  HRESULT paint(std::u16string_view text, bool newline);

  // The writable area (inside the frame) and the cursor; an empty area before first use.
  platform::ScreenRect area() const { return area_; }
  int32_t cursorX() const { return x_; }
  int32_t cursorY() const { return y_; }

 private:
  void setUp(platform::ScreenContext& screen);

  platform::ScreenRect area_{0, 0, 0, 0};
  bool ready_ = false;
  int32_t x_ = 0;
  int32_t y_ = 0;
};

}  // namespace tz::core
