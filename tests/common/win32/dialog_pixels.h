// Where the system puts a box of a dialog's units (position and size, each converted on its
// own as its dialog manager does): the dialog manager's conversion with the dialog's real font.
#pragma once

#include <windows.h>

#include "support/platform/window.h"

namespace tz::test {

inline platform::WindowRect dialogUnitsInPixels(HWND dialog, int x, int y, int cx, int cy) {
  RECT box{x, y, cx, cy};  // not a rectangle: the position, then the size
  MapDialogRect(dialog, &box);
  return {box.left, box.top, box.left + box.right, box.top + box.bottom};
}

}  // namespace tz::test
