// The dialog helpers the library's modules use: a dialog from the module's language resources,
// the user-interface font, and a control's text from a number. Not exported.
#pragma once

#include "support/platform/dialog.h"
#include "tz/lang.h"

namespace tz::ui {

// The dialog resource id of lang's module (the language module first, as every resource
// lookup), made a child of parent with procedure and parameter (platform/dialog.h). Null when
// the resource is missing or damaged, or the dialog cannot be made.
HWND createDialogParam(HTZLANG lang, UINT id, HWND parent, platform::DialogProcedure procedure,
                       intptr_t parameter);
// Gives the dialog and its controls the user-interface font.
void initDialogFont(HWND dialog);
// Sets control id of dialog to value as a decimal number ("%d").
bool setDialogItemNumber(HWND dialog, int32_t id, LONG value);

}  // namespace tz::ui
