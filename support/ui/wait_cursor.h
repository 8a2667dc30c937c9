// The cursors of the user-interface helpers, and the wait cursor shown while a scope runs.
#pragma once

#include "tz/win_types.h"

namespace tz::ui {

// The cursor for id: the system cursor of that id (32514 the wait cursor), null for others;
// the library has no cursors of its own. The helpers' TzGetUICursor, kept inside the library.
HCURSOR getUICursor(UINT id);

// Shows the wait cursor for its lifetime and then puts back the cursor it replaced.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace tz::ui
