// Combo box items through the control's own messages. Indexes are checked against the count
// first, since some answers (an item's data) cannot tell a failure from a value.
#include "support/platform/combo_box.h"

#include <windows.h>

#include <algorithm>

#include "support/platform/window.h"

namespace tz::platform {

namespace {

bool isCombo(HWND window) {
  return className(window) == u"ComboBox";
}

LRESULT send(HWND combo, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(combo, message, wParam, lParam);
}

int count(HWND combo) {
  return std::max<LRESULT>(send(combo, CB_GETCOUNT), 0);
}

bool inRange(HWND combo, int index) {
  return index >= 0 && index < count(combo);
}

}  // namespace

void comboClear(HWND combo) {
  if (isCombo(combo)) send(combo, CB_RESETCONTENT);
}

int comboAddItem(HWND combo, std::u16string_view text) {
  if (!isCombo(combo)) return kNoItem;
  const std::u16string terminated(text);
  // Inserted at the end rather than added, which a sorted combo box would sort.
  const LRESULT index = send(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(terminated.c_str()));
  return index >= 0 ? static_cast<int>(index) : kNoItem;
}

int comboItemCount(HWND combo) {
  return isCombo(combo) ? count(combo) : 0;
}

std::u16string comboItemText(HWND combo, int index) {
  if (!isCombo(combo) || !inRange(combo, index)) return {};
  const LRESULT length = send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const LRESULT copied =
      send(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

bool comboSetItemData(HWND combo, int index, intptr_t data) {
  if (!isCombo(combo) || !inRange(combo, index)) return false;
  return send(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data) != CB_ERR;
}

intptr_t comboItemData(HWND combo, int index) {
  if (!isCombo(combo) || !inRange(combo, index)) return kNoItem;
  return send(combo, CB_GETITEMDATA, static_cast<WPARAM>(index));
}

bool comboSelect(HWND combo, int index) {
  if (!isCombo(combo)) return false;
  const bool valid = inRange(combo, index);
  send(combo, CB_SETCURSEL, static_cast<WPARAM>(valid ? index : -1));
  return valid || index == kNoItem;
}

int comboSelection(HWND combo) {
  if (!isCombo(combo)) return kNoItem;
  const LRESULT selected = send(combo, CB_GETCURSEL);
  return selected >= 0 ? static_cast<int>(selected) : kNoItem;
}

}  // namespace tz::platform
