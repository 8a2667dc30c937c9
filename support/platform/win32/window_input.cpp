// Typing into a real edit control: the text goes in as WM_SETTEXT, after which a single-line
// edit sends its own EN_CHANGE; a multi-line one sends none, so it is sent for it.
#include <windows.h>

#include "support/platform/control_notification.h"
#include "support/platform/dialog.h"
#include "support/platform/window.h"

namespace tz::platform {

bool replaceEditText(HWND edit, std::u16string_view text) {
  const std::u16string terminated(text);
  if (!SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str())))
    return false;
  return (windowStyle(edit) & ES_MULTILINE) == 0 || notifyDialog(edit, kEditChange);
}

}  // namespace tz::platform
