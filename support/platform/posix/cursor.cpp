// Headless cursors: a handle is the address of its id in the table of system cursors.
#include "support/platform/cursor.h"

#include <atomic>

namespace tz::platform {
namespace {

constexpr UINT kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                   32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};

HCURSOR handleOf(const UINT& entry) {
  return reinterpret_cast<HCURSOR>(const_cast<UINT*>(&entry));
}

constinit std::atomic<const UINT*> current{&kSystemCursors[0]};

}  // namespace

HCURSOR systemCursor(UINT id) {
  for (const UINT& entry : kSystemCursors)
    if (entry == id) return handleOf(entry);
  return nullptr;
}

UINT cursorId(HCURSOR cursor) {
  // Compared with each entry's address, never dereferenced: the handle may be anything.
  for (const UINT& entry : kSystemCursors)
    if (handleOf(entry) == cursor) return entry;
  return 0;
}

HCURSOR setCursor(HCURSOR cursor) {
  const UINT id = cursorId(cursor);
  const UINT* entry = id == 0 ? nullptr : reinterpret_cast<const UINT*>(cursor);
  const UINT* previous = current.exchange(entry);
  return previous == nullptr ? nullptr : handleOf(*previous);
}

HCURSOR currentCursor() {
  const UINT* entry = current.load();
  return entry == nullptr ? nullptr : handleOf(*entry);
}

}  // namespace tz::platform
