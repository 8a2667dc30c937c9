// The mouse cursor. Without a display a cursor is a handle that names one of the system
// cursors, and the current cursor is only recorded, so that showing and restoring it can be
// observed; on Windows both are the system's.
#pragma once

#include "tz/win_handles.h"

namespace tz::platform {

// System cursor ids, as the original platform numbers them.
constexpr UINT kArrowCursor = 32512;
constexpr UINT kIBeamCursor = 32513;
constexpr UINT kWaitCursor = 32514;

// The system cursor of id (the original platform's ids, 32512 arrow to 32651 help), or null
// for any other id. The same id always gives the same handle.
HCURSOR systemCursor(UINT id);
// The id of a handle from systemCursor; 0 for null or any other handle.
UINT cursorId(HCURSOR cursor);

// Makes cursor the current one and returns the one it replaces; null, or a handle systemCursor
// did not give, shows none. One current cursor for the process, starting with the arrow (on
// Windows with whatever the system shows, which may be none); no lock, no allocation.
HCURSOR setCursor(HCURSOR cursor);
HCURSOR currentCursor();

}  // namespace tz::platform
