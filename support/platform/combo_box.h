// The items of a combo box (a window of class "ComboBox", window.h): texts in the order added
// (no sorting), each with a data word, and the selection. Indexes out of range give kNoItem.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tz/win_handles.h"

namespace tz::platform {

constexpr int kNoItem = -1;  // CB_ERR, and "no selection"

// Each call fails (kNoItem, false, "", 0) for a window that is no combo box.
void comboClear(HWND combo);                             // also clears the selection
int comboAddItem(HWND combo, std::u16string_view text);  // the new item's index
int comboItemCount(HWND combo);
std::u16string comboItemText(HWND combo, int index);
bool comboSetItemData(HWND combo, int index, intptr_t data);
intptr_t comboItemData(HWND combo, int index);  // kNoItem for a bad index
// Selects index; kNoItem clears the selection. False (nothing selected) for a bad index.
bool comboSelect(HWND combo, int index);
int comboSelection(HWND combo);

}  // namespace tz::platform
