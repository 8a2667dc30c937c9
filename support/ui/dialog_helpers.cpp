#include "support/ui/dialog_helpers.h"

#include "support/platform/window.h"
#include "tz/number_text.h"

namespace tz::ui {

namespace {

constexpr uintptr_t kDialogResourceType = platform::kResourceTypeDialog;

const WCHAR* resourceId(uintptr_t id) {
  return reinterpret_cast<const WCHAR*>(id);
}

}  // namespace

HWND createDialogParam(HTZLANG lang, UINT id, HWND parent, platform::DialogProcedure procedure,
                       intptr_t parameter) {
  if (id == 0 || id > 0xFFFF) return nullptr;
  const HRSRC found = TzFindResource(lang, resourceId(id), resourceId(kDialogResourceType));
  if (found == nullptr) return nullptr;
  return platform::createDialog(TzLoadResource(lang, found), TzSizeofResource(lang, found), parent,
                                procedure, parameter);
}

void initDialogFont(HWND dialog) {
  // The original platform's dialog face, at its default size; the layout keeps the template's
  // dialog units.
  platform::setWindowFont(dialog, {u"MS Shell Dlg", 8});
}

bool setDialogItemNumber(HWND dialog, int32_t id, LONG value) {
  WCHAR text[TZ_INT32_TEXT_MAX];
  TzLongToText(value, text, FALSE);
  return platform::setWindowText(platform::childWithId(dialog, id), text);
}

}  // namespace tz::ui
