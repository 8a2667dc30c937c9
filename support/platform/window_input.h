// What a user does to a dialog, for tests and tools: each call changes the control as the
// user's action would and sends its dialog the notification the control would send.
#pragma once

#include <string_view>

#include "tz/win_handles.h"

namespace tz::platform {

// Replaces an edit control's text and sends kEditChange.
bool typeText(HWND edit, std::u16string_view text);
// Moves the focus away from an edit control: kEditKillFocus.
bool leaveControl(HWND edit);
// Chooses a combo box item (combo_box.h) and sends kComboSelectionChange.
bool chooseItem(HWND combo, int index);
// Presses F1 on a control: kMessageHelp with the control's HelpInfo to its dialog; the
// dialog procedure's answer.
intptr_t askForHelp(HWND control);

}  // namespace tz::platform
