// The system's own windows. A window belongs to the thread that made it, as the system rules:
// the calls that change one (destroying it above all) work on that thread.
#include "support/platform/window.h"

#include <windows.h>

#include <algorithm>
#include <mutex>

#include "support/platform/win32/user_interface.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tz::platform {

namespace win32 {

HINSTANCE thisModule() {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

const wchar_t* wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

HWND systemParent(HWND parent) {
  return parent == GetDesktopWindow() ? nullptr : parent;
}

std::vector<HWND> directChildren(HWND window) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

constexpr wchar_t kRepaintProperty[] = L"TzRepaintCount";

// A property, which goes with its window.
void countRepaint(HWND window) {
  const uintptr_t count = reinterpret_cast<uintptr_t>(GetPropW(window, kRepaintProperty));
  SetPropW(window, kRepaintProperty, reinterpret_cast<HANDLE>(count + 1));
}

uint32_t repaints(HWND window) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetPropW(window, kRepaintProperty)));
}

}  // namespace win32

namespace {

using win32::wide;

// A class the system does not know becomes one of ours with the default behaviour, so that a
// window of any class name can be made, as with the records of other systems.
bool ensureClass(const std::u16string& name) {
  static std::mutex lock;
  std::lock_guard hold(lock);
  WNDCLASSEXW known{};
  known.cbSize = sizeof known;
  if (GetClassInfoExW(win32::thisModule(), wide(name), &known) ||
      GetClassInfoExW(nullptr, wide(name), &known))
    return true;
  WNDCLASSEXW made{};
  made.cbSize = sizeof made;
  made.lpfnWndProc = DefWindowProcW;
  made.hInstance = win32::thisModule();
  made.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  made.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  made.lpszClassName = wide(name);
  return RegisterClassExW(&made) != 0;
}

}  // namespace

HWND desktopWindow() {
  return GetDesktopWindow();
}

HWND createWindow(const WindowFields& fields) {
  if (fields.parent != nullptr && !IsWindow(fields.parent)) return nullptr;
  if (fields.className.empty() || !ensureClass(fields.className)) return nullptr;
  const HWND parent = win32::systemParent(fields.parent);
  const bool child = parent != nullptr && (fields.style & WS_CHILD) != 0;
  const WindowRect& r = fields.rect;
  const HWND window = CreateWindowExW(
      0, wide(fields.className), wide(fields.text),
      (fields.style & ~WS_CHILD) | (child ? WS_CHILD : 0), r.left, r.top, r.width(), r.height(),
      parent, child ? reinterpret_cast<HMENU>(static_cast<intptr_t>(fields.id)) : nullptr,
      win32::thisModule(), nullptr);
  // A top-level window's id slot holds its menu at creation; the id goes in afterwards.
  if (window != nullptr && !child) SetWindowLongPtrW(window, GWLP_ID, fields.id);
  return window;
}

bool destroyWindow(HWND window) {
  if (window == GetDesktopWindow() || !IsWindow(window)) return false;
  return DestroyWindow(window) != FALSE;
}

bool isWindow(HWND window) {
  return window != nullptr && IsWindow(window);
}

HWND parentOf(HWND window) {
  return isWindow(window) ? GetAncestor(window, GA_PARENT) : nullptr;
}

std::vector<HWND> childrenOf(HWND window) {
  // A new control goes below its siblings, so the system's order is the order of creation.
  return isWindow(window) ? win32::directChildren(window) : std::vector<HWND>{};
}

HWND childWithId(HWND parent, int32_t id) {
  if (!isWindow(parent)) return nullptr;
  for (HWND child : win32::directChildren(parent))
    if (windowId(child) == id) return child;
  return nullptr;
}

std::u16string className(HWND window) {
  if (!isWindow(window)) return {};
  char16_t name[257];  // a class name is at most 256 characters
  const int length = GetClassNameW(window, reinterpret_cast<wchar_t*>(name), 257);
  return std::u16string(name, static_cast<size_t>(std::clamp(length, 0, 256)));
}

int32_t windowId(HWND window) {
  return isWindow(window) ? static_cast<int32_t>(GetWindowLongPtrW(window, GWLP_ID)) : 0;
}

uint32_t windowStyle(HWND window) {
  return isWindow(window) ? static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE)) : 0;
}

uint32_t windowHelpId(HWND window) {
  return isWindow(window) ? GetWindowContextHelpId(window) : 0;
}

std::u16string windowText(HWND window) {
  if (!isWindow(window)) return {};
  // The length is an upper bound that may change before the copy; the copy's count decides.
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<size_t>(std::clamp(copied, 0, length)));
  return text;
}

bool setWindowText(HWND window, std::u16string_view text) {
  if (!isWindow(window)) return false;
  const std::u16string terminated(text);
  return SetWindowTextW(window, wide(terminated)) != FALSE;
}

int copyWindowText(HWND window, char16_t* buffer, int capacity) {
  if (buffer == nullptr || capacity < 1) return 0;
  buffer[0] = u'\0';
  if (!isWindow(window)) return 0;
  const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(buffer), capacity);
  return std::clamp(copied, 0, capacity - 1);
}

bool windowRect(HWND window, WindowRect& rect) {
  RECT screen;
  if (!isWindow(window) || !GetWindowRect(window, &screen)) return false;
  // Relative to the parent's client area, where moveWindow places it.
  const HWND parent = win32::systemParent(GetAncestor(window, GA_PARENT));
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&screen), 2);
  rect = {screen.left, screen.top, screen.right, screen.bottom};
  return true;
}

bool moveWindow(HWND window, const WindowRect& rect, bool repaint) {
  if (!isWindow(window)) return false;
  if (!MoveWindow(window, rect.left, rect.top, rect.width(), rect.height(), repaint)) return false;
  if (repaint) win32::countRepaint(window);
  return true;
}

uint32_t repaintCount(HWND window) {
  return isWindow(window) ? win32::repaints(window) : 0;
}

bool showWindow(HWND window, int command) {
  return isWindow(window) && ShowWindow(window, command) != FALSE;
}

bool isVisible(HWND window) {
  return isWindow(window) && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

intptr_t windowUserData(HWND window) {
  return isWindow(window) ? GetWindowLongPtrW(window, GWLP_USERDATA) : 0;
}

bool setWindowUserData(HWND window, intptr_t value) {
  if (!isWindow(window)) return false;
  SetWindowLongPtrW(window, GWLP_USERDATA, value);
  return true;
}

}  // namespace tz::platform
