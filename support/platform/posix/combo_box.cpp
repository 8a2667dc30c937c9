// Combo box items on the headless window records.
#include "support/platform/combo_box.h"

#include "support/platform/posix/window_table.h"

namespace tz::platform {

using windows::WindowRecord;
using windows::withRecord;

namespace {

// Runs change on a combo box's record; fallback for any other window.
template <typename Result, typename Change>
Result withCombo(HWND combo, Result fallback, Change change) {
  return withRecord(combo, fallback, [&](WindowRecord& r) {
    return r.fields.className == u"ComboBox" ? change(r) : fallback;
  });
}

bool inRange(const WindowRecord& r, int index) {
  return index >= 0 && static_cast<size_t>(index) < r.items.size();
}

}  // namespace

void comboClear(HWND combo) {
  withCombo(combo, false, [](WindowRecord& r) {
    r.items.clear();
    r.selection = kNoItem;
    return true;
  });
}

int comboAddItem(HWND combo, std::u16string_view text) {
  return withCombo(combo, kNoItem, [text](WindowRecord& r) {
    r.items.push_back({std::u16string(text), 0});
    return static_cast<int>(r.items.size() - 1);
  });
}

int comboItemCount(HWND combo) {
  return withCombo(combo, 0, [](WindowRecord& r) { return static_cast<int>(r.items.size()); });
}

std::u16string comboItemText(HWND combo, int index) {
  return withCombo(combo, std::u16string{}, [index](WindowRecord& r) {
    return inRange(r, index) ? r.items[static_cast<size_t>(index)].text : std::u16string{};
  });
}

bool comboSetItemData(HWND combo, int index, intptr_t data) {
  return withCombo(combo, false, [index, data](WindowRecord& r) {
    if (!inRange(r, index)) return false;
    r.items[static_cast<size_t>(index)].data = data;
    return true;
  });
}

intptr_t comboItemData(HWND combo, int index) {
  return withCombo(combo, intptr_t{kNoItem}, [index](WindowRecord& r) {
    return inRange(r, index) ? r.items[static_cast<size_t>(index)].data : intptr_t{kNoItem};
  });
}

bool comboSelect(HWND combo, int index) {
  return withCombo(combo, false, [index](WindowRecord& r) {
    const bool valid = inRange(r, index);
    r.selection = valid ? index : kNoItem;
    return valid || index == kNoItem;
  });
}

int comboSelection(HWND combo) {
  return withCombo(combo, kNoItem, [](WindowRecord& r) { return r.selection; });
}

}  // namespace tz::platform
