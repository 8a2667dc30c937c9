#include "dialog_pixels.h"

#include <windows.h>

namespace tz::test {

platform::WindowRect dialogUnitsInPixels(HWND dialog, int x, int y, int cx, int cy) {
  RECT box{x, y, cx, cy};  // not a rectangle: the position, then the size
  MapDialogRect(dialog, &box);
  return {box.left, box.top, box.left + box.right, box.top + box.bottom};
}

}  // namespace tz::test
