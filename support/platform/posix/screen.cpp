// Without a display the device draws nowhere: the screen is its cells alone.
#include "support/platform/screen_device.h"

namespace tz::platform::screen_device {

ScreenRect initialClipBox() {
  return {0, 0, 1024, 768};
}

void begin() {}
void end() {}
void fill(const ScreenRect&, ScreenFill) {}
void frame(const ScreenRect&, ScreenFill) {}
void drawText(int32_t, int32_t, std::u16string_view) {}

}  // namespace tz::platform::screen_device
