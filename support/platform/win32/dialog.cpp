// Dialogs by the system's dialog manager, from the same template bytes, once the template
// reader has accepted them: the system reads a template without knowing its size, so a
// damaged one must never reach it. The layer's procedure is kept on the dialog as a property
// and called from the system's (stdcall) dialog procedure for every message.
#include "support/platform/dialog.h"

#include <windows.h>
// After the system's types it needs.
#include <commctrl.h>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "support/platform/win32/user_interface.h"
#include "support/platform/window.h"

namespace tz::platform {

namespace {

constexpr wchar_t kProcedureProperty[] = L"TzDialogProcedure";

intptr_t noProcedure(HWND, uint32_t, uintptr_t, intptr_t) {
  return 0;
}

// The procedure of the dialog this thread is making, until the dialog's first message takes
// it: the system calls the dialog procedure before CreateDialogIndirectParamW returns.
thread_local DialogProcedure startingProcedure = nullptr;

DialogProcedure procedureOf(HWND dialog) {
  return reinterpret_cast<DialogProcedure>(GetPropW(dialog, kProcedureProperty));
}

INT_PTR CALLBACK systemProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogProcedure procedure = procedureOf(dialog);
  if (procedure == nullptr) {
    if (startingProcedure == nullptr) return FALSE;
    procedure = std::exchange(startingProcedure, nullptr);
    SetPropW(dialog, kProcedureProperty, reinterpret_cast<HANDLE>(procedure));
  }
  const intptr_t answer = procedure(dialog, message, wParam, lParam);
  if (message == WM_NCDESTROY) RemovePropW(dialog, kProcedureProperty);
  return answer;
}

// Templates may name the common controls (a trackbar, an up-down).
void loadCommonControls() {
  static const bool loaded = [] {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  (void)loaded;
}

int screenDotsPerInch() {
  const HDC screen = GetDC(nullptr);
  const int dots = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dots > 0 ? dots : 96;
}

// One font per face and size for the life of the process: windows keep using a font they
// were given, so none is ever deleted.
HFONT fontFor(const WindowFont& font) {
  static std::mutex lock;
  static std::map<std::pair<std::u16string, int>, HFONT> made;
  std::lock_guard hold(lock);
  auto& slot = made[{font.face, font.pointSize}];
  if (slot == nullptr) {
    slot = CreateFontW(-MulDiv(font.pointSize, screenDotsPerInch(), 72), 0, 0, 0, FW_NORMAL, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, win32::wide(font.face));
  }
  return slot;
}

}  // namespace

HWND createDialog(const void* bytes, size_t size, HWND parent, DialogProcedure procedure,
                  intptr_t parameter, DialogTemplateStatus* status) {
  DialogTemplate dialog;
  if (!acceptDialogTemplate(bytes, size, dialog, status)) return nullptr;
  if (parent != nullptr && !IsWindow(parent)) return nullptr;
  loadCommonControls();
  // The system wants the template on a 4-byte boundary; the reader takes it anywhere.
  std::vector<DWORD> aligned((size + 3) / 4);
  std::memcpy(aligned.data(), bytes, size);
  // The system makes no child window without a parent: a child-style template without one (a
  // property page measured before its sheet exists) becomes a pop-up of the same size, as the
  // headless layer makes it a top-level window.
  if (win32::systemParent(parent) == nullptr && (dialog.style & WS_CHILD) != 0)
    aligned[3] = (dialog.style & ~WS_CHILD) | WS_POPUP;
  const DialogProcedure outer =
      std::exchange(startingProcedure, procedure != nullptr ? procedure : &noProcedure);
  const HWND window = CreateDialogIndirectParamW(
      win32::thisModule(), reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()),
      win32::systemParent(parent), &systemProcedure, parameter);
  startingProcedure = outer;
  return window != nullptr && IsWindow(window) ? window : nullptr;
}

intptr_t sendDialogMessage(HWND dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const DialogProcedure procedure = isWindow(dialog) ? procedureOf(dialog) : nullptr;
  return procedure == nullptr ? 0 : procedure(dialog, message, wParam, lParam);
}

bool setMessageResult(HWND dialog, intptr_t result) {
  if (!isWindow(dialog)) return false;
  SetLastError(ERROR_SUCCESS);
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
  return GetLastError() == ERROR_SUCCESS;  // a window without a dialog's slots refuses
}

intptr_t messageResult(HWND dialog) {
  return isWindow(dialog) ? GetWindowLongPtrW(dialog, DWLP_MSGRESULT) : 0;
}

WindowFont windowFont(HWND window) {
  if (!isWindow(window)) return {};
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (font == nullptr) font = GetStockObject(SYSTEM_FONT);
  LOGFONTW described{};
  if (GetObjectW(font, sizeof described, &described) != sizeof described) return {};
  described.lfFaceName[LF_FACESIZE - 1] = L'\0';
  const int height = described.lfHeight < 0 ? -described.lfHeight : described.lfHeight;
  return {std::u16string(reinterpret_cast<const char16_t*>(described.lfFaceName)),
          MulDiv(height, 72, screenDotsPerInch())};
}

bool setWindowFont(HWND window, const WindowFont& font) {
  if (!isWindow(window)) return false;
  const HFONT made = fontFor(font);
  if (made == nullptr) return false;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
  for (HWND child : win32::directChildren(window))
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
  return true;
}

}  // namespace tz::platform
