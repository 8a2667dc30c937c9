// The system's cursors: a handle is the shared cursor LoadCursorW gives for a system id, which
// is the same handle every time.
#include "support/platform/cursor.h"

#include <windows.h>

namespace tz::platform {
namespace {

constexpr UINT kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                   32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};

HCURSOR load(UINT id) {
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(id));
}

}  // namespace

HCURSOR systemCursor(UINT id) {
  for (UINT known : kSystemCursors)
    if (known == id) return load(id);
  return nullptr;
}

UINT cursorId(HCURSOR cursor) {
  if (cursor == nullptr) return 0;
  for (UINT known : kSystemCursors)
    if (load(known) == cursor) return known;
  return 0;
}

HCURSOR setCursor(HCURSOR cursor) {
  return SetCursor(cursorId(cursor) != 0 ? cursor : nullptr);
}

HCURSOR currentCursor() {
  return GetCursor();
}

}  // namespace tz::platform
