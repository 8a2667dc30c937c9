// Dialogs on the window records of window.h: built from an extended dialog template
// (dialog_template.h) whose bytes come from a module's resources and are treated as hostile,
// laid out with the dialog units of dialog_units.h, and driven by a dialog procedure that is
// called synchronously, on the caller's thread, for every message sent to the dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/platform/dialog_template.h"
#include "tz/win_handles.h"

namespace tz::platform {

// Messages a dialog procedure receives, with the original platform's numbers.
enum : uint32_t {
  kMessageDestroy = 0x0002,     // the dialog is going
  kMessageNotify = 0x004E,      // lParam: a NotifyHeader
  kMessageHelp = 0x0053,        // lParam: a HelpInfo
  kMessageInitDialog = 0x0110,  // lParam: the creation parameter
  kMessageCommand = 0x0111,     // wParam: id | code << 16, lParam: the control
};
// Notification codes of kMessageCommand.
enum : uint16_t {
  kComboSelectionChange = 1,  // CBN_SELCHANGE
  kEditKillFocus = 0x0200,    // EN_KILLFOCUS
  kEditChange = 0x0300,       // EN_CHANGE
};

using DialogProcedure = intptr_t (*)(HWND dialog, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);

struct NotifyHeader {  // NMHDR
  HWND from;
  uintptr_t id;
  int32_t code;
};
static_assert(sizeof(NotifyHeader) == 12);

struct HelpInfo {  // HELPINFO for a control (context type 1)
  uint32_t size = 28;
  int32_t contextType = 1;
  int32_t controlId = 0;
  HWND control = nullptr;
  uint32_t contextId = 0;  // the control's help id from the template
  int32_t x = 0, y = 0;    // the mouse: the control's centre, in its dialog's pixels
};
static_assert(sizeof(HelpInfo) == 28);

constexpr uintptr_t commandParameter(int32_t id, uint16_t code) {
  return (static_cast<uintptr_t>(id) & 0xFFFF) | static_cast<uintptr_t>(code) << 16;
}

// Makes the dialog of the template in bytes[0, size) as a child of parent (null: top-level),
// its controls, then sends kMessageInitDialog with parameter. Null, with the reason in
// *status when given, for a template the reader refuses, a parent that is no window, or a
// procedure that destroyed the dialog while it started. The template's font (8 points
// without one) sets the dialog units.
HWND createDialog(const void* bytes, size_t size, HWND parent, DialogProcedure procedure,
                  intptr_t parameter, DialogTemplateStatus* status = nullptr);
// Calls the dialog's procedure and returns its answer; 0 when the window has none.
intptr_t sendDialogMessage(HWND dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The dialog's message result (DWLP_MSGRESULT), which a procedure sets for notifications.
bool setMessageResult(HWND dialog, intptr_t result);
intptr_t messageResult(HWND dialog);

// The dialog's font; the template's until changed. Empty face for no window.
struct WindowFont {
  std::u16string face;
  int pointSize = 0;
};
WindowFont windowFont(HWND window);
// Gives the window and its children this font.
bool setWindowFont(HWND window, const WindowFont& font);

}  // namespace tz::platform
