// Dialogs from templates on the headless window records: the template's dialog units become
// pixels with the numbers of dialog_units.h, each item a child window.
#include "support/platform/dialog.h"

#include "support/platform/dialog_units.h"
#include "support/platform/posix/window_table.h"
#include "support/platform/window.h"

namespace tz::platform {

using windows::table;
using windows::WindowRecord;
using windows::withRecord;

namespace {

constexpr char16_t kDialogClass[] = u"#32770";
constexpr uint32_t kStyleTabStop = 0x00010000;

std::u16string classNameOf(const NameOrOrdinal& name) {
  if (!name.isOrdinal) return name.name;
  for (const auto& known : kDialogClassNames)
    if (static_cast<uint16_t>(known.windowClass) == name.ordinal) return known.name;
  std::u16string text;  // another ordinal class: "#" and its number, as the system names them
  for (unsigned rest = name.ordinal; rest != 0 || text.empty(); rest /= 10)
    text.insert(text.begin(), static_cast<char16_t>(u'0' + rest % 10));
  return u"#" + text;
}

WindowRect pixelsOf(int x, int y, int cx, int cy, DialogBaseUnits base) {
  const int32_t left = dialogUnitsToPixelsX(x, base);
  const int32_t top = dialogUnitsToPixelsY(y, base);
  return {left, top, left + dialogUnitsToPixelsX(cx, base), top + dialogUnitsToPixelsY(cy, base)};
}

}  // namespace

HWND createDialog(const void* bytes, size_t size, HWND parent, DialogProcedure procedure,
                  intptr_t parameter, DialogTemplateStatus* status) {
  DialogTemplate dialog;
  if (!acceptDialogTemplate(bytes, size, dialog, status)) return nullptr;
  const bool hasFont = (dialog.style & kDialogStyleSetFont) != 0;
  const WindowFont font{hasFont ? dialog.font.typeface : u"MS Shell Dlg",
                        hasFont ? dialog.font.pointSize : 8};
  const DialogBaseUnits base = dialogBaseUnits(font.pointSize);
  HWND window = nullptr;
  HWND firstTabStop = nullptr;
  {
    std::lock_guard hold(table().lock);
    const HWND desktop = table().desktop();
    if (parent == nullptr) parent = desktop;
    if (table().find(parent) == nullptr) return nullptr;
    WindowRecord record;
    record.fields = {dialog.windowClass.name.empty() ? kDialogClass : dialog.windowClass.name,
                     dialog.title,
                     dialog.style,
                     pixelsOf(dialog.x, dialog.y, dialog.cx, dialog.cy, base),
                     parent,
                     0};
    record.visible = (dialog.style & kStyleVisible) != 0;
    record.helpId = dialog.helpId;
    record.procedure = procedure;
    record.font = font;
    window = table().add(std::move(record));
    for (const DialogItem& item : dialog.items) {
      WindowRecord control;
      control.fields = {classNameOf(item.windowClass),
                        item.text.isOrdinal ? u"" : item.text.name,
                        item.style,
                        pixelsOf(item.x, item.y, item.cx, item.cy, base),
                        window,
                        static_cast<int32_t>(item.id)};
      control.visible = (item.style & kStyleVisible) != 0;
      control.helpId = item.helpId;
      control.font = font;
      const HWND added = table().add(std::move(control));
      if (firstTabStop == nullptr && (item.style & kStyleTabStop) != 0) firstTabStop = added;
    }
  }
  sendDialogMessage(window, kMessageInitDialog, reinterpret_cast<uintptr_t>(firstTabStop),
                    parameter);
  return isWindow(window) ? window : nullptr;
}

intptr_t sendDialogMessage(HWND dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const DialogProcedure procedure =
      withRecord(dialog, DialogProcedure{}, [](WindowRecord& r) { return r.procedure; });
  return procedure == nullptr ? 0 : procedure(dialog, message, wParam, lParam);
}

bool setMessageResult(HWND dialog, intptr_t result) {
  return withRecord(dialog, false, [result](WindowRecord& r) {
    r.messageResult = result;
    return true;
  });
}

intptr_t messageResult(HWND dialog) {
  return withRecord(dialog, intptr_t{0}, [](WindowRecord& r) { return r.messageResult; });
}

WindowFont windowFont(HWND window) {
  return withRecord(window, WindowFont{}, [](WindowRecord& r) { return r.font; });
}

bool setWindowFont(HWND window, const WindowFont& font) {
  std::lock_guard hold(table().lock);
  WindowRecord* record = table().find(window);
  if (record == nullptr) return false;
  record->font = font;
  for (uintptr_t child : record->children) table().find(windows::handleOf(child))->font = font;
  return true;
}

}  // namespace tz::platform
