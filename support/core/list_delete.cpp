// Deletion of slots (freeing a heap list's items), discarding of the pending item, and the
// move of items from one heap list to another.
#include <algorithm>

#include "support/core/list_internal.h"

namespace tz::core {

void removeSlots(tTZLIST* list, LONG start, LONG count) {
  const size_t slot = static_cast<size_t>(list->slotSize);
  std::byte* at = slotAt(list, start);
  const size_t tail = static_cast<size_t>(list->itemCount - start - count) * slot;
  memmove(at, at + count * slot, tail);
  memset(at + tail, 0, count * slot);
  list->itemCount -= count;
}

namespace {

HRESULT discardPendingItem(tTZLIST* list) {
  if (list->pendingItem == nullptr) return E_FAIL;
  freeItem(list, list->pendingItem);
  list->pendingItem = nullptr;
  return S_OK;
}

// A copy of item in a block of the destination's allocator, or null when out of memory.
void* copyItem(const tTZLIST* destination, const tTZLIST* source, const void* item) {
  const size_t bytes = itemBlockSize(source, item);
  void* block = allocateItem(destination, bytes);
  if (block != nullptr) memcpy(block, item, bytes);
  return block;
}

// Moves source item i to before destination slot at. A block can change lists only when both
// lists free through the general allocator; a private heap would release it under the other
// list's feet, so such items travel as copies.
HRESULT moveItem(tTZLIST* destination, LONG at, tTZLIST* source, LONG i) {
  void* item = slotValue(source, i);
  const bool copy = item != nullptr && (destination->itemHeap || source->itemHeap);
  void* moved = copy ? copyItem(destination, source, item) : item;
  if (copy && moved == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = insertSlots(destination, at, &moved, -1);
  if (FAILED(hr)) {
    if (copy) freeItem(destination, moved);
    return hr;
  }
  removeSlots(source, i, 1);
  if (copy) freeItem(source, item);
  return S_OK;
}

}  // namespace
}  // namespace tz::core

using namespace tz::core;

HRESULT TZ_STDCALL TzList_DeleteList(tTZLIST* list, LONG start, LONG count, BOOL shrink) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  if (start < 0 && count < 0) return discardPendingItem(list);
  if (count < 0) count = list->itemCount - start;
  if (count < 1) return S_OK;
  if (start < 0 || start >= list->itemCount) return E_FAIL;
  count = std::min(count, list->itemCount - start);
  if (isHeapList(list))
    for (LONG i = start; i < start + count; ++i) freeItem(list, slotValue(list, i));
  removeSlots(list, start, count);
  if (shrink) releaseSurplus(list);
  return S_OK;
}

HRESULT TZ_STDCALL TzList_MoveItemsBetweenHeapLists(tTZLIST* destination, LONG destinationIndex,
                                                    tTZLIST* source, LONG sourceStart, LONG count) {
  // Within one list the insertions would shift the items still to be deleted.
  if (destination == source) return E_INVALIDARG;
  ListGuard destinationGuard(destination, false);
  if (!destinationGuard.granted()) return destinationGuard.refusal();
  ListGuard sourceGuard(source, false);
  if (!sourceGuard.granted()) return sourceGuard.refusal();
  if (!isHeapList(destination) || !isHeapList(source) || destination->pendingItem != nullptr)
    return E_FAIL;
  // Beyond the end means the end as it is now: appending each item would reverse their order.
  if (destinationIndex < 0 || destinationIndex > destination->itemCount)
    destinationIndex = destination->itemCount;
  if (count < 0) count = source->itemCount;
  if (count == 0) return S_OK;
  if (sourceStart < 0 || static_cast<int64_t>(sourceStart) + count > source->itemCount)
    return E_FAIL;
  HRESULT hr = S_OK;
  for (LONG i = sourceStart + count - 1; i >= sourceStart && SUCCEEDED(hr); --i)
    hr = moveItem(destination, destinationIndex, source, i);
  destination->pendingItem = nullptr;
  return hr;
}
