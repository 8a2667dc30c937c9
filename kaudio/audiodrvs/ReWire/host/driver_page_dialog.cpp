// The property page's dialog procedure: fills the controls from the device and writes each
// edit back into the device as the user leaves the control.
#include <iterator>

#include "kaudio/audiodrvs/ReWire/device_settings.h"
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/driver_property_page.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/platform/combo_box.h"
#include "support/platform/window.h"
#include "support/ui/context_help.h"
#include "support/ui/dialog_helpers.h"
#include "tz/number_text.h"

namespace tz::rewire {

namespace {

struct PriorityChoice {
  uint32_t stringId;
  LONG priority;
};
constexpr PriorityChoice kPriorityChoices[] = {
    {IDS_PRIORITY_TIME_CRITICAL, 15}, {IDS_PRIORITY_HIGHEST, 2},
    {IDS_PRIORITY_ABOVE_NORMAL, 1},   {IDS_PRIORITY_NORMAL, 0},
    {IDS_PRIORITY_BELOW_NORMAL, -1},  {IDS_PRIORITY_LOWEST, -2},
    {IDS_PRIORITY_IDLE, -15},
};

// Control id → help context id, ended by 0.
constexpr DWORD kContextHelp[] = {
    IDC_EXTRA_STEREO, 1, IDC_EXTRA_MONO, 2, static_cast<DWORD>(-1), 3, IDC_PRIORITY, 4, 0, 0};

constexpr int32_t kSetActive = -200;  // PSN_SETACTIVE
constexpr int32_t kKillActive = -201;
constexpr int32_t kApply = -202;
constexpr int kEditCharacters = 32;  // 31 and a terminator

CReWireAudioDevice* deviceOf(HWND dialog) {
  return reinterpret_cast<CReWireAudioDevice*>(platform::windowUserData(dialog));
}

void fillControls(HWND dialog, const CReWireAudioDevice& device) {
  ui::setDialogItemNumber(dialog, IDC_EXTRA_STEREO, static_cast<LONG>(device.extraChannels / 2));
  ui::setDialogItemNumber(dialog, IDC_EXTRA_MONO, static_cast<LONG>(device.extraMonoChannels));
  const HWND combo = platform::childWithId(dialog, IDC_PRIORITY);
  platform::comboClear(combo);
  int selected = 0;
  for (const PriorityChoice& choice : kPriorityChoices) {
    const int index = platform::comboAddItem(combo, moduleString(choice.stringId));
    platform::comboSetItemData(combo, index, choice.priority);
    if (choice.priority == device.priority) selected = index;
  }
  platform::comboSelect(combo, selected);
}

// The number in the edit control, or -1 when it is empty.
LONG readEdit(HWND dialog, int32_t id, LONG current, LONG maximum) {
  WCHAR text[kEditCharacters];
  if (platform::copyWindowText(platform::childWithId(dialog, id), text, kEditCharacters) == 0)
    return -1;
  return TzTextToLongTokenEx(text, current, 0, maximum, nullptr);
}

void command(HWND dialog, CReWireAudioDevice& device, int32_t id, uint16_t code) {
  if (id == IDC_PRIORITY && code == platform::kComboSelectionChange) {
    const HWND combo = platform::childWithId(dialog, IDC_PRIORITY);
    const int selected = platform::comboSelection(combo);
    if (selected != platform::kNoItem)
      device.priority = static_cast<LONG>(platform::comboItemData(combo, selected));
  } else if (id == IDC_EXTRA_STEREO && code == platform::kEditKillFocus) {
    const LONG pairs =
        readEdit(dialog, id, static_cast<LONG>(device.extraChannels / 2), kMaxExtraChannels / 2);
    if (pairs < 0) return;
    ui::setDialogItemNumber(dialog, id, pairs);
    device.extraChannels = static_cast<DWORD>(2 * pairs);
  } else if (id == IDC_EXTRA_MONO && code == platform::kEditKillFocus) {
    const LONG read =
        readEdit(dialog, id, static_cast<LONG>(device.extraMonoChannels), kMaxExtraMonoChannels);
    if (read < 0) return;
    // Mono ports come in pairs (one output each): an odd count is rounded up.
    // Mono ports come in pairs (one output each): an odd count is rounded up; 32 + 1 rounds
    // back down to 32.
    const LONG channels = (read + 1) & ~1L;
    ui::setDialogItemNumber(dialog, id, channels);
    device.extraMonoChannels = static_cast<DWORD>(channels);
  }
}

}  // namespace

intptr_t driverPageProcedure(HWND dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == platform::kMessageInitDialog) {
    platform::setWindowUserData(dialog, lParam);
    ui::initDialogFont(dialog);
    if (CReWireAudioDevice* device = deviceOf(dialog)) fillControls(dialog, *device);
    return 1;
  }
  CReWireAudioDevice* device = deviceOf(dialog);
  if (device == nullptr) return 0;
  switch (message) {
    case platform::kMessageCommand:
      command(dialog, *device, static_cast<int32_t>(wParam & 0xFFFF),
              static_cast<uint16_t>(wParam >> 16));
      return 0;
    case platform::kMessageNotify: {
      const auto* header = reinterpret_cast<const platform::NotifyHeader*>(lParam);
      if (header != nullptr &&
          (header->code == kSetActive || header->code == kKillActive || header->code == kApply))
        platform::setMessageResult(dialog, 0);
      return 0;
    }
    case platform::kMessageHelp:
      ui::contextPopupHelp(reinterpret_cast<const platform::HelpInfo*>(lParam), kContextHelp);
      return 1;
    default:
      return 0;
  }
}

}  // namespace tz::rewire
