// The slot array's capacity: growth and shrinkage in whole grow steps, and the array list's
// forced item count.
#include <algorithm>

#include "support/core/list_internal.h"

namespace tz::core {

void* allocateSlotArray(int64_t capacity, LONG slotSize) {
  const uint64_t bytes = static_cast<uint64_t>(capacity) * static_cast<uint64_t>(slotSize);
  if (capacity < 0 || capacity > INT32_MAX || bytes > kMaxBlockBytes) return nullptr;
  return platform::heapAllocate(static_cast<size_t>(bytes), true);
}

HRESULT growSlots(tTZLIST* list, LONG n) {
  const int64_t step = list->growStep;
  const int64_t wanted = n <= 0 ? step : n;
  const int64_t capacity = list->capacity + (wanted + step - 1) / step * step;
  void* slots = allocateSlotArray(capacity, list->slotSize);
  if (slots == nullptr) return E_OUTOFMEMORY;
  memcpy(slots, list->slots, static_cast<size_t>(list->capacity) * list->slotSize);
  platform::heapFree(list->slots);
  list->slots = slots;
  list->capacity = static_cast<LONG>(capacity);
  return S_OK;
}

HRESULT shrinkSlots(tTZLIST* list, LONG n) {
  const LONG freeSlots = list->capacity - list->itemCount;
  if (n < 0) n = freeSlots;
  if (n > freeSlots) return E_FAIL;
  const int64_t step = list->growStep;
  int64_t amount = (static_cast<int64_t>(n) + step - 1) / step * step;
  if (amount > freeSlots) amount -= step;
  if (amount <= 0) return S_OK;
  const LONG capacity = list->capacity - static_cast<LONG>(amount);
  // An empty list keeps one slot's bytes, so that the array is never a zero-sized block.
  const size_t bytes = static_cast<size_t>(std::max<LONG>(capacity, 1)) * list->slotSize;
  void* slots = platform::heapReallocate(list->slots, bytes);
  if (slots == nullptr) return E_OUTOFMEMORY;
  list->slots = slots;
  list->capacity = capacity;
  return S_OK;
}

void releaseSurplus(tTZLIST* list) {
  const LONG freeSlots = list->capacity - list->itemCount;
  if (freeSlots > list->growStep) shrinkSlots(list, freeSlots);
}

}  // namespace tz::core

using namespace tz::core;

HRESULT TZ_STDCALL TzList_GrowAllocated(tTZLIST* list, LONG n) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  return growSlots(list, n);
}

HRESULT TZ_STDCALL TzList_ShrinkAllocated(tTZLIST* list, LONG n) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  return shrinkSlots(list, n);
}

HRESULT TZ_STDCALL TzList_ArrayForceItemCount(tTZLIST* list, LONG newCount, BOOL release) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  if (!isArrayList(list)) return E_FAIL;
  if (newCount < 0) return E_INVALIDARG;
  if (newCount > list->capacity) {
    const HRESULT hr = growSlots(list, newCount - list->capacity);
    if (FAILED(hr)) return hr;
  }
  const bool dropping = newCount < list->itemCount;
  // Dropped slots keep their bytes: the caller forces the count and owns what is shown.
  list->itemCount = newCount;
  if (dropping && release) releaseSurplus(list);
  return S_OK;
}
