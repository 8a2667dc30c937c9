// The device under the screen of screen.h. The portable part keeps the cells, which are what
// tests read on every system; each backend's device draws the same calls where it can: the
// headless one draws nowhere, the Windows one on the real screen.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/screen.h"

namespace tz::platform::screen_device {

// The screen's clip box when the process starts.
ScreenRect initialClipBox();
// Around each ScreenContext, with the screen's lock held.
void begin();
void end();
void fill(const ScreenRect& rect, ScreenFill fill);
void frame(const ScreenRect& rect, ScreenFill fill);
// UTF-16 text from (x, y), the top-left of its first character.
void drawText(int32_t x, int32_t y, std::u16string_view text);

}  // namespace tz::platform::screen_device
