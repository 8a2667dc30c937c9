// The context help of a dialog's control from a help-id table: pairs of control id and help
// context id, ended by a zero control id. Not exported.
#pragma once

#include "support/platform/dialog.h"

namespace tz::ui {

// Shows the pop-up help of the control that asked (from the module's context-help file, help
// path index 1) when the table lists it. False, nothing shown, for a request that is not a
// control's or a control the table does not list.
bool contextPopupHelp(const platform::HelpInfo* request, const DWORD* table);

}  // namespace tz::ui
