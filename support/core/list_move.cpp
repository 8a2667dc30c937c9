// Moving a block of slots to another place in the same list.
#include <algorithm>

#include "support/core/list_internal.h"

namespace tz::core {
namespace {

// Sets the block aside, shifts the slots between the two places, writes the block back.
// Blocks of up to 512 bytes need no allocation.
HRESULT moveBlock(tTZLIST* list, LONG from, LONG to, LONG count) {
  const size_t slot = static_cast<size_t>(list->slotSize);
  const size_t bytes = static_cast<size_t>(count) * slot;
  std::byte local[512];
  auto* saved =
      bytes <= sizeof local ? local : static_cast<std::byte*>(platform::heapAllocate(bytes, false));
  if (saved == nullptr) return E_OUTOFMEMORY;
  memcpy(saved, slotAt(list, from), bytes);
  if (to > from)
    memmove(slotAt(list, from), slotAt(list, from + count), static_cast<size_t>(to - from) * slot);
  else
    memmove(slotAt(list, to + count), slotAt(list, to), static_cast<size_t>(from - to) * slot);
  memcpy(slotAt(list, to), saved, bytes);
  if (saved != local) platform::heapFree(saved);
  return S_OK;
}

}  // namespace
}  // namespace tz::core

using namespace tz::core;

HRESULT TZ_STDCALL TzList_MoveRange(tTZLIST* list, LONG from, LONG to, LONG count) {
  if (from < 0) return E_INVALIDARG;
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  if (to < 0) to = 0;
  if (count < 0) count = list->itemCount - std::max(from, to);
  if (static_cast<int64_t>(from) + count > list->itemCount ||
      static_cast<int64_t>(to) + count > list->itemCount)
    return E_FAIL;
  if (count < 1 || from == to) return S_OK;
  return moveBlock(list, from, to, count);
}
