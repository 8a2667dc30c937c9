// The message box. Without a display a box is written to standard error as "title: text"
// (and its details), and answers with the default button of its style; on Windows it is the
// system's box. Tests capture boxes.
#pragma once

#include "tz/win_handles.h"

namespace tz::platform {

// The buttons that can answer a box.
enum : int {
  kButtonOk = 1,
  kButtonCancel = 2,
  kButtonAbort = 3,
  kButtonRetry = 4,
  kButtonIgnore = 5,
  kButtonYes = 6,
  kButtonNo = 7,
  kButtonTryAgain = 10,
  kButtonContinue = 11,
};

struct MessageBox {
  HWND owner;
  const char16_t* title;  // WCHAR
  const char16_t* text;
  const char16_t* details;  // null when none are attached
  UINT style;               // as given, the 0xC000 details bits included
};

// Shows the box and returns the button that answered it. Takes no
// lock and allocates nothing, so a crash report can use it.
int showMessageBox(const MessageBox& box);

// The button a box of this style answers with when nobody presses one: the default button
// (bits 0x300) of the style's button set.
int defaultButton(UINT style);

// Test hook: while set, boxes go to capture instead, which returns the button. Null restores
// the standard-error box.
using MessageBoxCapture = int (*)(const MessageBox& box, void* context);
void setMessageBoxCapture(MessageBoxCapture capture, void* context);

}  // namespace tz::platform
