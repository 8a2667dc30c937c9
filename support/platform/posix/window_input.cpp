// Typing into a headless edit: the record's text changes, and the edit's notification is sent
// for it, since no control is there to send one.
#include "support/platform/control_notification.h"
#include "support/platform/dialog.h"
#include "support/platform/window.h"

namespace tz::platform {

bool replaceEditText(HWND edit, std::u16string_view text) {
  return setWindowText(edit, text) && notifyDialog(edit, kEditChange);
}

}  // namespace tz::platform
