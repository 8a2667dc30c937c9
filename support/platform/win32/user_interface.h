// What the Windows backend's window, dialog and combo box sources share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tz::platform::win32 {

// The module this code is in, whose window classes it registers.
HINSTANCE thisModule();
// The system's view of UTF-16 text (wchar_t is 16 bits here).
const wchar_t* wide(const std::u16string& text);
// The parent the system takes: null for the desktop, as for a top-level window.
HWND systemParent(HWND parent);
// The window's own children, in the system's order.
std::vector<HWND> directChildren(HWND window);
// moveWindow's repaint count, kept on the window.
void countRepaint(HWND window);
uint32_t repaints(HWND window);

}  // namespace tz::platform::win32
