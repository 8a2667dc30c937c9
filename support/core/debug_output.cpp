#include <new>
#include <string_view>

#include "support/core/debug_output_state.h"
#include "tz/debug_output.h"

namespace tz::core {

DebugOutputState& debugOutputState() {
  // Never destroyed: another module may send text while the process exits.
  static DebugOutputState* state = new DebugOutputState;
  return *state;
}

void resetDebugOutputForTesting() {
  DebugOutputState& state = debugOutputState();
  const std::lock_guard<std::mutex> hold(state.lock);
  state.file = DebugFileTarget();
  state.strip = DebugScreenStrip();
}

}  // namespace tz::core

TZAPI(HRESULT) TzDebugString(const WCHAR* text, BOOL newline, DWORD mode) {
  tz::core::DebugOutputState& state = tz::core::debugOutputState();
  const std::u16string_view view = text != nullptr ? text : u"";
  try {
    const std::lock_guard<std::mutex> hold(state.lock);
    if (mode == TZ_DEBUG_TO_FILE) return state.file.send(view, newline != FALSE);
    return state.strip.paint(view, newline != FALSE);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
