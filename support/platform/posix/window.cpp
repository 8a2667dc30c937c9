// The window records of window.h, headless.
#include "support/platform/window.h"

#include <algorithm>

#include "support/platform/posix/window_table.h"

namespace tz::platform {

using windows::table;
using windows::WindowRecord;
using windows::withRecord;

HWND desktopWindow() {
  std::lock_guard hold(table().lock);
  return table().desktop();
}

HWND createWindow(const WindowFields& fields) {
  std::lock_guard hold(table().lock);
  WindowRecord record;
  record.fields = fields;
  const HWND desktop = table().desktop();
  if (record.fields.parent == nullptr) record.fields.parent = desktop;
  if (table().find(record.fields.parent) == nullptr) return nullptr;
  record.visible = (fields.style & kStyleVisible) != 0;
  return table().add(std::move(record));
}

bool destroyWindow(HWND window) {
  std::vector<HWND> going;
  {
    std::lock_guard hold(table().lock);
    if (window == table().desktop()) return false;
    going = table().subtree(window);
  }
  if (going.empty()) return false;
  for (HWND each : going) sendDialogMessage(each, kMessageDestroy, 0, 0);
  std::lock_guard hold(table().lock);
  table().erase(going);
  return true;
}

bool isWindow(HWND window) {
  return withRecord(window, false, [](WindowRecord&) { return true; });
}

HWND parentOf(HWND window) {
  return withRecord(window, HWND{}, [](WindowRecord& r) { return r.fields.parent; });
}

std::vector<HWND> childrenOf(HWND window) {
  return withRecord(window, std::vector<HWND>{}, [](WindowRecord& r) {
    std::vector<HWND> children;
    for (uintptr_t child : r.children) children.push_back(windows::handleOf(child));
    return children;
  });
}

HWND childWithId(HWND parent, int32_t id) {
  std::lock_guard hold(table().lock);
  WindowRecord* record = table().find(parent);
  if (record == nullptr) return nullptr;
  for (uintptr_t child : record->children)
    if (table().find(windows::handleOf(child))->fields.id == id) return windows::handleOf(child);
  return nullptr;
}

std::u16string className(HWND window) {
  return withRecord(window, std::u16string{}, [](WindowRecord& r) { return r.fields.className; });
}

int32_t windowId(HWND window) {
  return withRecord(window, 0, [](WindowRecord& r) { return r.fields.id; });
}

uint32_t windowStyle(HWND window) {
  return withRecord(window, 0u, [](WindowRecord& r) { return r.fields.style; });
}

uint32_t windowHelpId(HWND window) {
  return withRecord(window, 0u, [](WindowRecord& r) { return r.helpId; });
}

std::u16string windowText(HWND window) {
  return withRecord(window, std::u16string{}, [](WindowRecord& r) { return r.fields.text; });
}

bool setWindowText(HWND window, std::u16string_view text) {
  return withRecord(window, false, [text](WindowRecord& r) {
    r.fields.text = text;
    return true;
  });
}

int copyWindowText(HWND window, char16_t* buffer, int capacity) {
  if (buffer == nullptr || capacity < 1) return 0;
  const std::u16string text = windowText(window);
  const size_t count = std::min(text.size(), static_cast<size_t>(capacity - 1));
  std::copy_n(text.data(), count, buffer);
  buffer[count] = u'\0';
  return static_cast<int>(count);
}

bool windowRect(HWND window, WindowRect& rect) {
  return withRecord(window, false, [&rect](WindowRecord& r) {
    rect = r.fields.rect;
    return true;
  });
}

bool moveWindow(HWND window, const WindowRect& rect, bool repaint) {
  return withRecord(window, false, [&](WindowRecord& r) {
    r.fields.rect = rect;
    if (repaint) ++r.repaints;
    return true;
  });
}

uint32_t repaintCount(HWND window) {
  return withRecord(window, 0u, [](WindowRecord& r) { return r.repaints; });
}

bool showWindow(HWND window, int command) {
  return withRecord(window, false, [command](WindowRecord& r) {
    const bool was = r.visible;
    r.visible = command != kShowHide;
    if (r.visible)
      r.fields.style |= kStyleVisible;
    else
      r.fields.style &= ~kStyleVisible;
    return was;
  });
}

bool isVisible(HWND window) {
  return withRecord(window, false, [](WindowRecord& r) { return r.visible; });
}

intptr_t windowUserData(HWND window) {
  return withRecord(window, intptr_t{0}, [](WindowRecord& r) { return r.userData; });
}

bool setWindowUserData(HWND window, intptr_t value) {
  return withRecord(window, false, [value](WindowRecord& r) {
    r.userData = value;
    return true;
  });
}

}  // namespace tz::platform
