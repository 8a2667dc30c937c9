// Where the system puts a box of a dialog's units (position and size, each converted on its
// own as its dialog manager does): the dialog manager's conversion with the dialog's real font.
// Declared without windows.h (dialog_pixels.cpp has it), so that tests using the library's own
// records of the system's types can include this.
#pragma once

#include "support/platform/window.h"

namespace tz::test {

platform::WindowRect dialogUnitsInPixels(HWND dialog, int x, int y, int cx, int cy);

}  // namespace tz::test
