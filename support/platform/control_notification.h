// What window_input.h's actions share between the portable part and each backend.
#pragma once

#include <cstdint>
#include <string_view>

#include "tz/win_handles.h"

namespace tz::platform {

// Sends the control's dialog kMessageCommand with the control's id and code, as the control
// would; false when the control has no parent.
bool notifyDialog(HWND control, uint16_t code);
// Replaces the text of an edit control as typing would, with the change notification the
// control sends (the backend's part: a real edit control sends its own).
bool replaceEditText(HWND edit, std::u16string_view text);

}  // namespace tz::platform
