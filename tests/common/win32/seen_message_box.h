// A message box as its user sees it: the system's box window, found by its title from a second
// thread while the box waits, read ("title: text") and answered by pressing a button.
#pragma once

#include <windows.h>
// The system's name for MessageBoxW would hide the layer's struct.
#undef MessageBox

#include <atomic>
#include <string>
#include <thread>

#include "support/platform/message_box.h"
#include "support/platform/text_encoding.h"
#include "tests/common/eventually.h"

namespace tz::test {

constexpr bool kBoxesOnScreen = true;

struct SeenBox {
  std::string shown;  // UTF-8; empty when no box came up (no display)
  int button = 0;
};

inline std::u16string windowTextOf(HWND window) {
  wchar_t text[4096];
  const int length = GetWindowTextW(window, text, 4096);
  return std::u16string(reinterpret_cast<const char16_t*>(text), length > 0 ? length : 0);
}

inline SeenBox showAndAnswer(const platform::MessageBox& box, int press) {
  SeenBox seen;
  const std::u16string title(box.title);
  std::atomic<bool> answered{false};  // without a display the box fails at once
  std::thread user([&] {
    HWND found = nullptr;
    eventually([&] {
      found = FindWindowW(L"#32770", reinterpret_cast<const wchar_t*>(title.c_str()));
      return found != nullptr || answered;
    });
    if (found == nullptr) return;
    // The text is the box's one static control with text; the icon's has none.
    std::u16string text;
    for (HWND child = GetWindow(found, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t kind[16] = {};
      GetClassNameW(child, kind, 16);
      if (lstrcmpiW(kind, L"Static") == 0) text += windowTextOf(child);
    }
    seen.shown = platform::utf8FromUtf16(windowTextOf(found) + u": " + text + u"\n");
    PostMessageW(found, WM_COMMAND, static_cast<WPARAM>(press), 0);
  });
  seen.button = platform::showMessageBox(box);
  answered = true;
  user.join();
  return seen;
}

}  // namespace tz::test
