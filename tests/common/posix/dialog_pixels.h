// Where the layer puts a box of a dialog's units (position and size, each converted on its own
// as a dialog manager does): the headless layout's numbers at the dialog's font size.
#pragma once

#include "support/platform/dialog.h"
#include "support/platform/dialog_units.h"
#include "support/platform/window.h"

namespace tz::test {

inline platform::WindowRect dialogUnitsInPixels(HWND dialog, int x, int y, int cx, int cy) {
  const platform::DialogBaseUnits base =
      platform::dialogBaseUnits(platform::windowFont(dialog).pointSize);
  const int left = platform::dialogUnitsToPixelsX(x, base);
  const int top = platform::dialogUnitsToPixelsY(y, base);
  return {left, top, left + platform::dialogUnitsToPixelsX(cx, base),
          top + platform::dialogUnitsToPixelsY(cy, base)};
}

}  // namespace tz::test
