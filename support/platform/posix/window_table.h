// The headless window records behind window.h, dialog.h and combo_box.h: one table under one
// lock. Callers look a record up and copy out what they need while they hold the lock, and
// call dialog procedures only after letting it go (a procedure calls back into the table).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/platform/combo_box.h"
#include "support/platform/dialog.h"
#include "support/platform/window.h"

namespace tz::platform::windows {

struct ComboItem {
  std::u16string text;
  intptr_t data = 0;
};

struct WindowRecord {
  WindowFields fields;
  bool visible = false;
  intptr_t userData = 0;
  uint32_t repaints = 0;
  uint32_t helpId = 0;
  DialogProcedure procedure = nullptr;  // dialogs only
  intptr_t messageResult = 0;
  WindowFont font;
  std::vector<uintptr_t> children;
  std::vector<ComboItem> items;  // combo boxes only
  int selection = kNoItem;
};

class WindowTable {
 public:
  std::mutex lock;
  // Null when handle names no window. Only while lock is held.
  WindowRecord* find(HWND handle);
  // A new record (the desktop's when it is the first); its handle.
  HWND add(WindowRecord record);
  // The window and everything below it, parents before children; empty for no window.
  std::vector<HWND> subtree(HWND handle);
  // Forgets the windows that are still there, unlinking each from its parent.
  void erase(const std::vector<HWND>& handles);
  HWND desktop();

 private:
  std::map<uintptr_t, WindowRecord> records_;
  uintptr_t next_ = 0x10010;  // handles grow by 4 and are never reused
  uintptr_t desktop_ = 0;
};

WindowTable& table();

// Runs read on the record under the lock; fallback when handle names no window.
template <typename Result, typename Read>
Result withRecord(HWND handle, Result fallback, Read read) {
  std::lock_guard hold(table().lock);
  WindowRecord* record = table().find(handle);
  return record == nullptr ? fallback : read(*record);
}

inline HWND handleOf(uintptr_t value) {
  return reinterpret_cast<HWND>(value);
}
inline uintptr_t valueOf(HWND handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

}  // namespace tz::platform::windows
