// The screen's device is the real one: each context draws on the whole screen's device context
// with the stock brushes and the system's fixed-pitch font, while the portable part keeps the
// cells tests read. Without a device context (no display) only the cells change.
#include <windows.h>

#include <algorithm>

#include "support/platform/screen_device.h"

namespace tz::platform::screen_device {
namespace {

constexpr LONG kLargestSide = 8192;  // the cells' limit

HDC device = nullptr;  // while a context is open, under the screen's lock

HBRUSH brushFor(ScreenFill fill) {
  switch (fill) {
    case ScreenFill::White:
      return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    case ScreenFill::LightGrey:
      return static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    case ScreenFill::Black:
      return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    case ScreenFill::None:
      break;
  }
  return nullptr;  // nothing to paint
}

RECT systemRect(const ScreenRect& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

ScreenRect initialClipBox() {
  ScreenRect box{0, 0, 1024, 768};
  if (const HDC screen = GetDC(nullptr)) {
    RECT clip;
    if (GetClipBox(screen, &clip) != ERROR && clip.right > clip.left && clip.bottom > clip.top)
      box = {clip.left, clip.top, clip.left + std::min(clip.right - clip.left, kLargestSide),
             clip.top + std::min(clip.bottom - clip.top, kLargestSide)};
    ReleaseDC(nullptr, screen);
  }
  return box;
}

void begin() {
  device = GetDC(nullptr);
  if (device == nullptr) return;
  SelectObject(device, GetStockObject(SYSTEM_FIXED_FONT));
  SetBkMode(device, TRANSPARENT);
  SetTextColor(device, RGB(0, 0, 0));
}

void end() {
  if (device != nullptr) ReleaseDC(nullptr, device);
  device = nullptr;
}

void fill(const ScreenRect& rect, ScreenFill fill) {
  const HBRUSH brush = brushFor(fill);
  const RECT area = systemRect(rect);
  if (device != nullptr && brush != nullptr) FillRect(device, &area, brush);
}

void frame(const ScreenRect& rect, ScreenFill fill) {
  const HBRUSH brush = brushFor(fill);
  const RECT area = systemRect(rect);
  if (device != nullptr && brush != nullptr) FrameRect(device, &area, brush);
}

void drawText(int32_t x, int32_t y, std::u16string_view text) {
  if (device == nullptr || text.empty()) return;
  const int length = static_cast<int>(std::min<size_t>(text.size(), 8192));  // past the screen
  TextOutW(device, x, y, reinterpret_cast<const wchar_t*>(text.data()), length);
}

}  // namespace tz::platform::screen_device
