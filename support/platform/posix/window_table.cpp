#include "support/platform/posix/window_table.h"

#include <algorithm>

#include "support/platform/screen.h"

namespace tz::platform::windows {

WindowTable& table() {
  static WindowTable windows;
  return windows;
}

WindowRecord* WindowTable::find(HWND handle) {
  const auto found = records_.find(valueOf(handle));
  return found == records_.end() ? nullptr : &found->second;
}

HWND WindowTable::add(WindowRecord record) {
  const uintptr_t handle = next_;
  next_ += 4;
  if (WindowRecord* parent = find(record.fields.parent)) parent->children.push_back(handle);
  records_.emplace(handle, std::move(record));
  return handleOf(handle);
}

std::vector<HWND> WindowTable::subtree(HWND handle) {
  std::vector<HWND> windows;
  if (find(handle) == nullptr) return windows;
  windows.push_back(handle);
  for (size_t i = 0; i < windows.size(); ++i)
    for (uintptr_t child : find(windows[i])->children) windows.push_back(handleOf(child));
  return windows;
}

void WindowTable::erase(const std::vector<HWND>& handles) {
  for (HWND handle : handles) {
    WindowRecord* record = find(handle);
    if (record == nullptr) continue;
    if (WindowRecord* parent = find(record->fields.parent))
      std::erase(parent->children, valueOf(handle));
    records_.erase(valueOf(handle));
  }
}

HWND WindowTable::desktop() {
  if (desktop_ == 0) {
    WindowRecord record;
    record.fields.className = u"#32769";
    const ScreenRect screen = ScreenContext().clipBox();
    record.fields.rect = {screen.left, screen.top, screen.right, screen.bottom};
    record.visible = true;
    desktop_ = valueOf(add(std::move(record)));
  }
  return handleOf(desktop_);
}

}  // namespace tz::platform::windows
