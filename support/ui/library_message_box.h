// The library's message box: its title is the application's name (the AppName print token).
#pragma once

#include "tz/win_types.h"

namespace tz::ui {

// Shows text as it stands, with details attached when not null; the button that answered.
int showLibraryMessageBox(HWND owner, UINT style, const WCHAR* text, const WCHAR* details);

}  // namespace tz::ui
