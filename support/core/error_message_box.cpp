// Error message boxes: the composed message, or a caller's text, with the pending details
// attached; showing them consumes the details. Nothing here allocates, so the exception filter
// can show its box after a fault.
#include <algorithm>
#include <mutex>
#include <string_view>

#include "support/core/error_state.h"
#include "support/core/error_tables.h"
#include "support/core/wide_sink.h"
#include "support/resources/support_strings.h"
#include "support/ui/library_message_box.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

constexpr HRESULT kCancelledByUser = static_cast<HRESULT>(0x8004E00CUL);
constexpr UINT kDetailsStyle = 0xC000;

// A caller's text after the warning prefix is cut here; a composed message always fits.
constexpr size_t kShownCapacity = 2 * ErrorState::kMessageCapacity;

}  // namespace
}  // namespace tz::core

using tz::core::ErrorState;

TZAPI(int)
TzErrorHandler_MsgBox(HWND owner, UINT style, ULONG_PTR operation, HRESULT code,
                      const WCHAR* argument, BOOL warning) {
  if (code == tz::core::kCancelledByUser) return 1;
  WCHAR message[ErrorState::kMessageCapacity];
  {
    ErrorState& state = tz::core::errorState();
    std::lock_guard guard(state.lock);
    const std::u16string_view composed =
        tz::core::composeErrorMessage(state, operation, code, argument);
    *std::copy(composed.begin(), composed.end(), message) = u'\0';
  }
  return TzErrorHandler_MsgBoxText(owner, style, message, warning);
}

TZAPI(int) TzErrorHandler_MsgBoxText(HWND owner, UINT style, const WCHAR* text, BOOL warning) {
  style &= ~tz::core::kDetailsStyle;
  WCHAR details[ErrorState::kDetailsCapacity];
  bool withDetails = false;
  {
    ErrorState& state = tz::core::errorState();
    std::lock_guard guard(state.lock);
    if (state.count > 0) {
      *std::copy(state.details, state.details + state.detailsLength, details) = u'\0';
      withDetails = true;
      style |= tz::core::kDetailsStyle;
    }
    state.clearDetails();
  }
  const WCHAR* shown = text != nullptr ? text : u"";
  WCHAR prefixed[tz::core::kShownCapacity];
  if (warning) {
    tz::core::WideSink sink(prefixed, std::size(prefixed));
    sink.append(tz::core::errorString(IDS_ERR_WARNING));
    sink.append(shown);
    shown = prefixed;
  }
  return tz::ui::showLibraryMessageBox(owner, style, shown, withDetails ? details : nullptr);
}
