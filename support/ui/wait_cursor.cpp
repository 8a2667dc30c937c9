#include "support/ui/wait_cursor.h"

#include "support/platform/cursor.h"

namespace tz::ui {

HCURSOR getUICursor(UINT id) {
  return platform::systemCursor(id);
}

WaitCursor::WaitCursor() : previous_(platform::setCursor(getUICursor(platform::kWaitCursor))) {}

WaitCursor::~WaitCursor() {
  platform::setCursor(previous_);
}

}  // namespace tz::ui
