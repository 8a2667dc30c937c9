// Windows as records: a class name, a control id, a text, a rectangle in pixels relative to
// the parent, a style, a parent, a visibility and one user-data word. Without a display nothing
// is drawn; the records are all there is, and tests read them. Handles are never reused, so a
// stale handle names no window and every call on it fails quietly. Calls are safe from any
// thread (one lock, never held while a dialog procedure runs). Not for the audio path.
// On Windows they are the system's own windows, with the system's rules (README.md).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tz/win_handles.h"

namespace tz::platform {

constexpr uint32_t kStyleChild = 0x40000000;    // WS_CHILD
constexpr uint32_t kStyleVisible = 0x10000000;  // WS_VISIBLE

// ShowWindow's commands: kShowHide hides, every other shows.
enum : int { kShowHide = 0, kShowNormal = 1, kShow = 5 };

// Pixels; right and bottom lie just outside.
struct WindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const WindowRect&) const = default;
};

struct WindowFields {
  std::u16string className;
  std::u16string text;
  uint32_t style = 0;
  WindowRect rect;
  HWND parent = nullptr;  // null or the desktop: a top-level window
  int32_t id = 0;
};

// The desktop: the parent of top-level windows, as large as the screen (screen.h). It is never
// destroyed.
HWND desktopWindow();
// A new window; null when the parent is given and is no window.
HWND createWindow(const WindowFields& fields);
// Destroys the window and everything below it, parents before children: each dialog among
// them gets kMessageDestroy (dialog.h) while it is still a window. False for no window or
// the desktop.
bool destroyWindow(HWND window);
bool isWindow(HWND window);

// Each of these answers the empty value (null, 0, "", false) for a handle that is no window.
HWND parentOf(HWND window);
std::vector<HWND> childrenOf(HWND window);  // in creation order
HWND childWithId(HWND parent, int32_t id);  // the first child with that id
std::u16string className(HWND window);
int32_t windowId(HWND window);
uint32_t windowStyle(HWND window);
uint32_t windowHelpId(HWND window);  // a dialog's or control's help id from its template
std::u16string windowText(HWND window);
bool setWindowText(HWND window, std::u16string_view text);
// GetWindowText's contract: at most capacity - 1 characters and a terminator; the characters
// copied. Nothing is written for capacity < 1.
int copyWindowText(HWND window, char16_t* buffer, int capacity);
bool windowRect(HWND window, WindowRect& rect);
// Moves the window to rect; repaint counts a repaint.
bool moveWindow(HWND window, const WindowRect& rect, bool repaint);
uint32_t repaintCount(HWND window);
// Shows or hides; whether the window was visible before.
bool showWindow(HWND window, int command);
bool isVisible(HWND window);
intptr_t windowUserData(HWND window);
bool setWindowUserData(HWND window, intptr_t value);

}  // namespace tz::platform
