// A user's actions on windows: the change, then the control's notification to its parent
// dialog, as the system would send it.
#include "support/platform/window_input.h"

#include "support/platform/combo_box.h"
#include "support/platform/control_notification.h"
#include "support/platform/dialog.h"
#include "support/platform/window.h"

namespace tz::platform {

namespace {

bool isEdit(HWND window) {
  return className(window) == u"Edit";
}

}  // namespace

bool notifyDialog(HWND control, uint16_t code) {
  const HWND dialog = parentOf(control);
  if (dialog == nullptr) return false;
  sendDialogMessage(dialog, kMessageCommand, commandParameter(windowId(control), code),
                    reinterpret_cast<intptr_t>(control));
  return true;
}

bool typeText(HWND edit, std::u16string_view text) {
  return isEdit(edit) && replaceEditText(edit, text);
}

bool leaveControl(HWND edit) {
  return isEdit(edit) && notifyDialog(edit, kEditKillFocus);
}

bool chooseItem(HWND combo, int index) {
  if (index == kNoItem || !comboSelect(combo, index)) return false;
  return notifyDialog(combo, kComboSelectionChange);
}

intptr_t askForHelp(HWND control) {
  WindowRect rect;
  if (!windowRect(control, rect)) return 0;
  HelpInfo info;
  info.controlId = windowId(control);
  info.control = control;
  info.contextId = windowHelpId(control);
  info.x = (rect.left + rect.right) / 2;
  info.y = (rect.top + rect.bottom) / 2;
  return sendDialogMessage(parentOf(control), kMessageHelp, 0, reinterpret_cast<intptr_t>(&info));
}

}  // namespace tz::platform
